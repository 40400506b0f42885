// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/passworddialog.h"

#include "ui/anchoredpanel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QWindow>

namespace abgleich {

namespace {

// A password edit whose text the keyboard can neither copy nor cut.
class PasswordEdit : public QLineEdit {
protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event == QKeySequence::Copy || event == QKeySequence::Cut) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

QFont memoFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    return font;
}

} // namespace

TFoPasswort::TFoPasswort(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FoPasswort"));
    setWindowTitle(QStringLiteral("Änderung der Abgleichwerte"));
    setModal(true);
    QFont font(QStringLiteral("Arial Narrow"));
    font.setPixelSize(16);
    setFont(font);

    Top_Panel = new QWidget(this);
    Top_Panel->setObjectName(QStringLiteral("Top_Panel"));
    Aenderungen = new QPlainTextEdit(Top_Panel);
    Aenderungen->setObjectName(QStringLiteral("Aenderungen"));
    Aenderungen->setFont(memoFont());
    Label2 = new QLabel(QStringLiteral("Bitte geben sie einen Kommentar  ein"), Top_Panel);
    Label2->setObjectName(QStringLiteral("Label2"));
    Kommentar = new QPlainTextEdit(Top_Panel);
    Kommentar->setObjectName(QStringLiteral("Kommentar"));
    Kommentar->setFont(memoFont());

    Bottom_Panel = new AnchoredPanel(QStringLiteral("Bottom_Panel"),
                                     {kWindowWidth, kBottomDesignHeight}, this);
    Label1 = new QLabel(QStringLiteral("Bitte geben sie das Passwort ein"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit_PW = new PasswordEdit;
    Edit_PW->setObjectName(QStringLiteral("Edit_PW"));
    // Shown as bullets; a password edit lets nothing be copied or cut, offers no context
    // menu and tells input methods to keep the text to themselves.
    Edit_PW->setEchoMode(QLineEdit::Password);
    Edit_PW->setContextMenuPolicy(Qt::NoContextMenu);
    Edit_PW->setDragEnabled(false);
    Edit_PW->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData |
                                 Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    // The buttons' icons come with the first showing (loading them takes a look through the
    // icon theme, which the start of the program need not wait for).
    BitBtn1 = new QPushButton(QStringLiteral("Abbrechen"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(QStringLiteral("OK"));
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);

    using A = AnchoredPanel::Anchor;
    Bottom_Panel->place(Label1, {8, 11, 300, 22}, A::Left | A::Bottom);
    Bottom_Panel->place(Edit_PW, {9, 39, 137, 28}, A::Left | A::Bottom);
    Bottom_Panel->place(BitBtn1, {169, 39, 117, 28}, A::Left | A::Bottom);
    Bottom_Panel->place(BitBtn2, {300, 39, 96, 28}, A::Left | A::Bottom);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn2, &QPushButton::clicked, this, &TFoPasswort::BitBtn2Click);
    resize(kWindowWidth, kFullHeight);
}

void TFoPasswort::prepare(AuthorisationForm form, const QString& changeList) {
    if (BitBtn1->icon().isNull()) {
        BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
        BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    }
    if (form == AuthorisationForm::Full) {
        Top_Panel->show();
        Aenderungen->setPlainText(changeList);
    } else {
        Top_Panel->hide();
    }
    Edit_PW->clear();
    pw.clear();
}

std::optional<AuthorisationInput> TFoPasswort::ask(AuthorisationForm form,
                                                   const QString& changeList) {
    prepare(form, changeList);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return AuthorisationInput{pw, Kommentar->toPlainText()};
}

void TFoPasswort::FormShow() {
    placeForm();
    Edit_PW->clear();
    pw.clear();
    Edit_PW->setFocus();
}

void TFoPasswort::BitBtn2Click() {
    pw = Edit_PW->text();
    accept();
}

void TFoPasswort::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFoPasswort::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutPanels();
}

QMargins TFoPasswort::windowFrame() const {
    if (const QWindow* own = windowHandle(); own && !own->frameMargins().isNull())
        return own->frameMargins();
    if (const QWidget* owner = parentWidget(); owner && owner->window()->windowHandle())
        return owner->window()->windowHandle()->frameMargins();
    return {};
}

void TFoPasswort::placeForm() {
    const QSize outer(kWindowWidth, Top_Panel->isHidden() ? kCompactHeight : kFullHeight);
    const QMargins frame = windowFrame();
    QRect placed(QPoint(), outer);
    // Centred with its final size on the main window, frames included.
    if (const QWidget* owner = parentWidget())
        placed.moveCenter(owner->window()->frameGeometry().center());
    else
        placed.moveTopLeft(pos());
    setGeometry(placed.marginsRemoved(frame));
    layoutPanels();
}

void TFoPasswort::layoutPanels() {
    const int top = Top_Panel->isHidden() ? 0 : kTopPanelHeight;
    const int w = width();
    if (top > 0) {
        Top_Panel->setGeometry(0, 0, w, top);
        Aenderungen->setGeometry(9, 8, w - 16, 350);
        Label2->setGeometry(8, 365, w - 16, 22);
        Kommentar->setGeometry(9, 391, w - 17, 100);
    }
    Bottom_Panel->setGeometry(0, top, w, std::max(0, height() - top));
}

} // namespace abgleich
