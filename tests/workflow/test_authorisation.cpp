// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "scripted/scripteddialogs.h"
#include "support/qtprint.h"
#include "workflow/authorisation.h"

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::ScriptedDialogs;

TEST(CheckDeviceId, MustBeGivenAndNotZero) {
    const std::pair<QString, bool> cases[] = {
        {u""_s, false},    {u"   "_s, false}, {u"0"_s, false}, {u"000"_s, false},
        {u"4711"_s, true}, {u"  12"_s, true}, {u"-3"_s, true},
    };
    for (const auto& [id, ok] : cases) {
        ScriptedDialogs dialogs;
        EXPECT_EQ(checkDeviceId(id, dialogs), ok) << id.toStdString();
        const std::vector<ScriptedDialogs::Shown> warned = {
            {ScriptedDialogs::Kind::Warning, u"Geräte-ID muss angegeben werden"_s}};
        EXPECT_EQ(dialogs.shown, ok ? std::vector<ScriptedDialogs::Shown>{} : warned);
    }
}

TEST(CheckDeviceId, IdThatIsNoNumberRaisesTheConversionError) {
    for (const QString& id : {u"12 "_s, u"1a"_s}) {
        ScriptedDialogs dialogs;
        try {
            checkDeviceId(id, dialogs);
            ADD_FAILURE() << "no error for " << id.toStdString();
        } catch (const AppError& e) {
            EXPECT_EQ(e.message(), u"'%1' ist kein gültiger Integerwert"_s.arg(id));
        }
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

TEST(AskAuthorisation, ComparesTheTypedPassword) {
    DeviceFields device;
    device.geraetetyp = u"ABC12"_s;
    device.geraeteId = u" 4711"_s;
    struct Case {
        std::optional<AuthorisationInput> typed;
        bool result;
        bool warned;
    };
    const Case cases[] = {
        {std::nullopt, false, false}, // cancelled: no message
        {AuthorisationInput{u"abc-4711"_s, u"neu"_s}, true, false},
        {AuthorisationInput{u"ABC-4711"_s, u"neu"_s}, true, false},
        {AuthorisationInput{u"abc-4712"_s, u"neu"_s}, false, true},
        {AuthorisationInput{u"abc-4711 "_s, u"neu"_s}, false, true},
        {AuthorisationInput{u""_s, u""_s}, false, true},
    };
    for (const Case& c : cases) {
        ScriptedDialogs dialogs;
        dialogs.authorisations.push_back(c.typed);
        QString comment = u"vorher"_s;
        EXPECT_EQ(askAuthorisation(AuthorisationForm::Full, u"geänderte Werte"_s,
                                   PasswordRule::Upload, device, dialogs, &comment),
                  c.result);
        ASSERT_GE(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, u"geänderte Werte"_s);
        EXPECT_EQ(dialogs.shown.size(), c.warned ? 2u : 1u);
        if (c.warned) {
            EXPECT_EQ(dialogs.shown[1].text, u"Falsches Passwort"_s);
        }
        EXPECT_EQ(comment, c.result ? u"neu"_s : u"vorher"_s);
    }
}

TEST(AskAuthorisation, EaRuleInTheCompactForm) {
    DeviceFields device;
    device.geraetetyp = u"abc"_s;
    device.geraeteId = u"5"_s;
    ScriptedDialogs dialogs;
    dialogs.authorisations.push_back(AuthorisationInput{u"ABC-5"_s, {}});
    EXPECT_TRUE(
        askAuthorisation(AuthorisationForm::Compact, {}, PasswordRule::EA, device, dialogs));
    ASSERT_EQ(dialogs.authorisationForms.size(), 1u);
    EXPECT_EQ(dialogs.authorisationForms[0], AuthorisationForm::Compact);
}
