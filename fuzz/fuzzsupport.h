#pragma once

#include "core/operatordialogs.h"

#include <cstdio>
#include <cstdlib>

namespace abgleich::fuzz {

// Dialogs nobody answers: questions get No, dialogs are cancelled.
class NoDialogs : public OperatorDialogs {
public:
    void showErrorBox(const QString&) override {}
    void showMessage(const QString&) override {}
    void showWarning(const QString&) override {}
    bool askYesNo(const QString&) override { return false; }
    std::optional<AuthorisationInput> authorise(AuthorisationForm, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseFileToOpen(const QString&, const QString&) override {
        return std::nullopt;
    }
};

// A broken invariant is a finding: say which and stop.
inline void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace abgleich::fuzz
