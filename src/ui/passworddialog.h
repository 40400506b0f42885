// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "workflow/operatordialogs.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace abgleich {

class AnchoredPanel;

// The change-authorisation dialog `FoPasswort`: created once at start and reused. The full
// form shows the change list and the comment above the password prompt; the compact form the
// prompt alone. The comment is kept between uses.
class TFoPasswort : public QDialog {
    Q_OBJECT

public:
    // Window sizes, frame included: the width, and the heights of the full and compact forms.
    static constexpr int kWindowWidth = 532;
    static constexpr int kFullHeight = 640;
    static constexpr int kCompactHeight = 140;
    static constexpr int kTopPanelHeight = 500;
    // The bottom panel is laid out for this height; its controls keep their distance from
    // its bottom edge.
    static constexpr int kBottomDesignHeight = 77;

    explicit TFoPasswort(QWidget* parent = nullptr);

    // Sets the form and the change list for the next showing.
    void prepare(AuthorisationForm form, const QString& changeList);
    // Shows the dialog modally; the typed password and the comment when OK was clicked.
    std::optional<AuthorisationInput> ask(AuthorisationForm form, const QString& changeList);

    // The password as it stood when OK was clicked; emptied before every showing.
    QString pw;

    QWidget* Top_Panel;
    QPlainTextEdit* Aenderungen;
    QLabel* Label2;
    QPlainTextEdit* Kommentar;
    AnchoredPanel* Bottom_Panel;
    QLabel* Label1;
    QLineEdit* Edit_PW;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void FormShow();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutPanels();
    // The window frame's widths as the window system draws them (none before the first
    // showing: then those of the main window, which has the same kind of frame).
    QMargins windowFrame() const;
    // Sizes the window, frame included, for the form it shows and centres it on the main
    // window.
    void placeForm();
};

} // namespace abgleich
