// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/protocolpanel.h"

#include "ui/controls.h"
#include "ui/protocollog.h"
#include "ui/windowlayout.h"
#include "workflow/workbench.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

namespace abgleich {

namespace {
// Room for "Zentrale Datenbank: nicht erreichbar, 999 ausstehend".
constexpr int kStatusWidth = 330;
} // namespace

ProtocolPanel::ProtocolPanel(Workbench& bench, QWidget* parent)
    : AnchoredPanel(QStringLiteral("Log_Panel"), {layout::kClientWidth, layout::kLogHeight},
                    parent) {
    Btn_Z = button("Btn_Z", QStringLiteral("Z"));
    Btn_T = button("Btn_T", QStringLiteral("T"));
    Btn_A = button("Btn_A", QStringLiteral("A"));
    Btn_EA = button("Btn_EA", QStringLiteral("EA  Anzahl Netzteile festlegen :"));
    NT_Auswahl = named(new QComboBox, "NT_Auswahl");
    NT_Auswahl->setEditable(true);
    NT_Auswahl->setInsertPolicy(QComboBox::NoInsert);
    NT_Auswahl->addItems({QStringLiteral("Alle Netzteile"), QStringLiteral("1 Netzteil")});
    NT_Auswahl->setCurrentIndex(0);
    // Typed text selects the item it names; any other text leaves no item selected (the EA
    // command then says so with the index -1). Typing never adds an item.
    connect(NT_Auswahl->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString typed = NT_Auswahl->currentText();
        const int item = NT_Auswahl->findText(typed, Qt::MatchFixedString);
        if (item == NT_Auswahl->currentIndex() && item >= 0)
            return;
        NT_Auswahl->setCurrentIndex(item);
        NT_Auswahl->setEditText(item >= 0 ? NT_Auswahl->itemText(item) : typed);
    });
    Btn_SendData = button("Btn_SendData", QStringLiteral("Send"));
    edtDataToSend = named(new QLineEdit(QStringLiteral("U;")), "edtDataToSend");
    edtDataToSend->setPlaceholderText(QStringLiteral("Enter data to send here"));
    Btn_Clear = button("Btn_Clear", QStringLiteral("Clear"));
    DbStatus = named(new QLabel, "DbStatus");
    DbStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DbStatus->setVisible(false);
    memLog = named(new QPlainTextEdit, "memLog");
    memLog->setReadOnly(true);
    memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setFont(QFont(QStringLiteral("Courier New"), 9));
    log_ = new ProtocolLog(memLog);

    const int width = layout::kClientWidth;
    place(Btn_Z, {8, 6, 36, 28});
    place(Btn_T, {48, 6, 36, 28});
    place(Btn_A, {88, 6, 36, 28});
    place(Btn_EA, {136, 6, 240, 28});
    place(NT_Auswahl, {380, 7, 150, 26});
    place(Btn_SendData, {542, 6, 70, 28});
    place(edtDataToSend, {616, 7, width - 616 - 96 - kStatusWidth, 26}, Left | Top | Right);
    place(DbStatus, {width - 92 - kStatusWidth, 7, kStatusWidth, 26}, Top | Right);
    place(Btn_Clear, {width - 88, 6, 80, 28}, Top | Right);
    place(memLog, {0, 40, width, layout::kLogHeight - 40}, Left | Top | Right | Bottom);

    Workbench* b = &bench;
    connect(Btn_Z, &QPushButton::clicked, b, &Workbench::sendZ);
    connect(Btn_T, &QPushButton::clicked, b, &Workbench::sendTime);
    connect(Btn_A, &QPushButton::clicked, b, &Workbench::sendA);
    connect(Btn_EA, &QPushButton::clicked, b,
            [this, b] { b->setPowerSupplies(NT_Auswahl->currentIndex()); });
    connect(Btn_SendData, &QPushButton::clicked, b,
            [this, b] { b->sendFreeText(edtDataToSend->text()); });
    connect(Btn_Clear, &QPushButton::clicked, log_, &ProtocolLog::clear);
    connect(b, &Workbench::logLine, log_, &ProtocolLog::append);
    connect(&b->plantSync(), &PlantSync::statusChanged, DbStatus, [this](const QString& text) {
        DbStatus->setText(text);
        DbStatus->setVisible(!text.isEmpty());
    });
}

} // namespace abgleich
