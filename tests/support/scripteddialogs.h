#pragma once

#include "core/operatordialogs.h"

#include <QString>

#include <vector>

namespace abgleich::test {

// Records what the operator would have been shown, in order.
class ScriptedDialogs : public OperatorDialogs {
public:
    enum class Kind { ErrorBox, Message, Warning };
    struct Shown {
        Kind kind;
        QString text;
        bool operator==(const Shown&) const = default;
    };

    void showErrorBox(const QString& message) override;
    void showMessage(const QString& text) override;
    void showWarning(const QString& text) override;

    std::vector<Shown> shown;
};

} // namespace abgleich::test
