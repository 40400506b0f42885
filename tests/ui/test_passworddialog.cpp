// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "support/qtprint.h"
#include "ui/passworddialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

// Runs what the operator does once the modal dialog is up.
void whenShown(TFoPasswort& dialog, std::function<void()> operatorActs) {
    QTimer::singleShot(0, &dialog, [&dialog, operatorActs] {
        if (!QTest::qWaitForWindowExposed(&dialog))
            dialog.reject();
        operatorActs();
    });
}

} // namespace

TEST(PasswordDialog, FullAndCompactForms) {
    TFoPasswort dialog;
    EXPECT_EQ(dialog.windowTitle(), u"Änderung der Abgleichwerte"_s);
    QSize full;
    QSize compact;
    bool listVisible = false;
    whenShown(dialog, [&] {
        full = dialog.frameGeometry().size();
        listVisible = dialog.Aenderungen->isVisible();
        EXPECT_EQ(dialog.Aenderungen->toPlainText(), u"geänderte Werte\n Temp 1   Offset "_s);
        EXPECT_EQ(QApplication::focusWidget(), dialog.Edit_PW);
        EXPECT_EQ(dialog.Label2->text(), u"Bitte geben sie einen Kommentar  ein"_s);
        QTest::keyClicks(dialog.Edit_PW, u"abc-4711"_s);
        dialog.Kommentar->setPlainText(u"Sensor getauscht"_s);
        QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
    });
    const auto input = dialog.ask(AuthorisationForm::Full, u"geänderte Werte\n Temp 1   Offset "_s);
    EXPECT_EQ(full, QSize(532, 640));
    EXPECT_TRUE(listVisible);
    ASSERT_TRUE(input.has_value());
    EXPECT_EQ(input->password, u"abc-4711"_s);
    EXPECT_EQ(input->comment, u"Sensor getauscht"_s);
    EXPECT_EQ(dialog.pw, u"abc-4711"_s);

    whenShown(dialog, [&] {
        compact = dialog.frameGeometry().size();
        listVisible = dialog.Aenderungen->isVisible();
        EXPECT_TRUE(dialog.Edit_PW->text().isEmpty());
        EXPECT_TRUE(dialog.Edit_PW->isVisible());
        EXPECT_TRUE(dialog.BitBtn2->isVisible());
        QTest::keyClicks(dialog.Edit_PW, u"x"_s);
        QTest::keyClick(dialog.Edit_PW, Qt::Key_Return); // OK is the default button
    });
    const auto compactInput = dialog.ask(AuthorisationForm::Compact, {});
    EXPECT_EQ(compact, QSize(532, 140));
    EXPECT_FALSE(listVisible);
    ASSERT_TRUE(compactInput.has_value());
    EXPECT_EQ(compactInput->password, u"x"_s);
    // The comment stays, unseen, while the compact form is used.
    EXPECT_EQ(compactInput->comment, u"Sensor getauscht"_s);
}

TEST(PasswordDialog, CancelKeepsTheCommentAndEmptiesThePassword) {
    TFoPasswort dialog;
    dialog.Kommentar->setPlainText(u"alter Kommentar"_s);
    whenShown(dialog, [&] {
        QTest::keyClicks(dialog.Edit_PW, u"geheim"_s);
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    });
    EXPECT_FALSE(dialog.ask(AuthorisationForm::Full, u"geänderte Werte"_s).has_value());

    whenShown(dialog, [&] {
        EXPECT_TRUE(dialog.Edit_PW->text().isEmpty());
        EXPECT_EQ(dialog.Kommentar->toPlainText(), u"alter Kommentar"_s);
        QTest::keyClick(dialog.Edit_PW, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.ask(AuthorisationForm::Full, u"geänderte Werte"_s).has_value());
    EXPECT_TRUE(dialog.pw.isEmpty());
}

TEST(PasswordDialog, PasswordEditKeepsItsText) {
    TFoPasswort dialog;
    QLineEdit* edit = dialog.Edit_PW;
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(edit->inputMethodHints() & Qt::ImhHiddenText);
    EXPECT_TRUE(edit->inputMethodHints() & Qt::ImhSensitiveData);
    EXPECT_EQ(edit->contextMenuPolicy(), Qt::NoContextMenu);
    QGuiApplication::clipboard()->setText(u"vorher"_s);
    edit->setText(u"geheim"_s);
    edit->selectAll();
    for (const auto key : {QKeySequence::Copy, QKeySequence::Cut}) {
        QTest::keySequence(edit, key);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), u"vorher"_s);
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"vorher"_s);
    EXPECT_EQ(edit->text(), u"geheim"_s);
}
