#pragma once

#include "core/operatordialogs.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace abgleich::test {

// Records what the operator would have been shown, in order, and answers from scripts, for
// tests, benchmarks and fuzz targets. An unscripted question is answered Yes; an unscripted
// authorisation gives the standing answer (none: cancelled); an unscripted file dialog is
// cancelled.
class ScriptedDialogs : public OperatorDialogs {
public:
    enum class Kind { ErrorBox, Message, Warning, Question, Authorisation, FileOpen };
    struct Shown {
        Kind kind;
        QString text;
        bool operator==(const Shown&) const = default;
    };

    void showErrorBox(const QString& message) override;
    void showMessage(const QString& text) override;
    // Noted as a message.
    void showNotice(const QString& text) override;
    void showWarning(const QString& text) override;
    bool askYesNo(const QString& text) override;
    std::optional<AuthorisationInput> authorise(AuthorisationForm form,
                                                const QString& changeList) override;
    std::optional<QString> chooseFileToOpen(const QString& directory,
                                            const QString& filter) override;

    std::vector<Shown> shown;
    std::deque<bool> answers;
    std::deque<std::optional<AuthorisationInput>> authorisations;
    std::optional<AuthorisationInput> standingAuthorisation;
    bool record = true; // write down what was shown
    std::vector<AuthorisationForm> authorisationForms;
    std::deque<std::optional<QString>> files;

private:
    void note(Kind kind, const QString& text);
};

} // namespace abgleich::test
