// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/devicepanel.h"

#include "ui/controls.h"
#include "ui/windowlayout.h"
#include "workflow/workbench.h"

#include <QListWidget>
#include <QRegularExpressionValidator>

namespace abgleich {

namespace {

// The connect button's captions as it follows the link.
const QString kConnectCaption = QStringLiteral("Prüfstand verbinden");
const QString kDisconnectCaption = QStringLiteral("trennen");

QValidator* digitsOnly(QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

void setFieldText(QLineEdit* field, const QString& text) {
    if (field->text() != text)
        field->setText(text);
}

} // namespace

DevicePanel::DevicePanel(Workbench& bench, QWidget* parent)
    : AnchoredPanel(QStringLiteral("Panel_Geratedaten"),
                    {layout::kClientWidth, layout::kDeviceHeight}, parent),
      bench_(bench) {
    setFixedHeight(layout::kDeviceHeight);
    Btn_Connect = button("Btn_Connect", kConnectCaption);
    Label2 = label("Label2", QStringLiteral("IP"));
    ED_IP = named(new QLineEdit(bench.host()), "ED_IP");
    ED_IP->setPlaceholderText(QStringLiteral("Prüfstandadresse eintragen"));
    Label4 = label("Label4", QStringLiteral("Geräteart"));
    Ed_Geraetetyp = named(new QLineEdit, "Ed_Geraetetyp");
    Label1 = label("Label1", QStringLiteral("Geräte ID"));
    ED_GeraeteID = named(new QLineEdit, "ED_GeraeteID");
    ED_GeraeteID->setValidator(digitsOnly(ED_GeraeteID));
    Label6 = label("Label6", QStringLiteral("SPS Version"));
    Ed_SPSVersion = readOnlyField("Ed_SPSVersion");
    Label3 = label("Label3", QStringLiteral("Anzahl Messstellen"));
    ED_AnzMS = readOnlyField("ED_AnzMS");
    ED_AnzMS->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label7 = label("Label7", QStringLiteral("Letzte Korrektur"));
    Ed_Lastkalidate = readOnlyField("Ed_Lastkalidate");
    ED_LastKaliTime = readOnlyField("ED_LastKaliTime");

    settings = named(new QListWidget, "settings");
    settings->setFrameShape(QFrame::NoFrame);
    settings->setFont(QFont(QStringLiteral("Arial"), 9));
    settings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    settings->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const QString& text : {QStringLiteral("prot zeigen"), QStringLiteral("diff zeigen")}) {
        auto* item = new QListWidgetItem(text, settings);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }

    place(Btn_Connect, {8, 8, 160, 28});
    place(Label2, {178, 13, 18, 20});
    place(ED_IP, {198, 10, 120, 24});
    place(Label4, {332, 13, 70, 20});
    place(Ed_Geraetetyp, {404, 10, 90, 24});
    place(Label1, {508, 13, 68, 20});
    place(ED_GeraeteID, {578, 10, 80, 24});
    place(Label6, {672, 13, 84, 20});
    place(Ed_SPSVersion, {758, 10, 60, 24});
    place(Label3, {832, 13, 128, 20});
    place(ED_AnzMS, {962, 10, 50, 24});
    place(Label7, {1026, 13, 112, 20});
    place(Ed_Lastkalidate, {1140, 10, 92, 24});
    place(ED_LastKaliTime, {1236, 10, 72, 24});
    place(settings, {layout::kClientWidth - 128, 2, 120, 40}, Top | Right);

    connect(Btn_Connect, &QPushButton::clicked, &bench, &Workbench::connectOrDisconnect);
    // Every change of the address, typed or restored from the settings file, moves the link.
    connect(ED_IP, &QLineEdit::textChanged, &bench, &Workbench::changeHost);
    connect(ED_GeraeteID, &QLineEdit::textEdited, &bench, &Workbench::setDeviceId);
    connect(Ed_Geraetetyp, &QLineEdit::textEdited, &bench, &Workbench::setDeviceType);
    connect(settings, &QListWidget::itemClicked, this, &DevicePanel::togglesChanged);
    connect(settings, &QListWidget::itemChanged, this, &DevicePanel::togglesChanged);
    connect(&bench, &Workbench::deviceFieldsChanged, this, &DevicePanel::showDeviceFields);
    connect(&bench, &Workbench::connectionChanged, this, [this](bool open) {
        Btn_Connect->setText(open ? kDisconnectCaption : kConnectCaption);
    });
    showDeviceFields();
}

void DevicePanel::captionForLink(bool open) {
    if (!open && Btn_Connect->text() == kDisconnectCaption)
        Btn_Connect->setText(kConnectCaption);
}

bool DevicePanel::isChecked(Toggle toggle) const {
    return settings->item(toggle)->checkState() == Qt::Checked;
}

void DevicePanel::checkToggles() {
    settings->blockSignals(true);
    settings->item(ProtZeigen)->setCheckState(Qt::Checked);
    settings->item(DiffZeigen)->setCheckState(Qt::Checked);
    settings->blockSignals(false);
}

void DevicePanel::showDeviceFields() {
    const DeviceFields& device = bench_.state().device;
    const RegionalSettings& rs = bench_.regional();
    setFieldText(ED_GeraeteID, device.geraeteId);
    setFieldText(Ed_Geraetetyp, device.geraetetyp);
    setFieldText(Ed_SPSVersion, device.spsVersion);
    setFieldText(ED_AnzMS, device.anzMS);
    setFieldText(Ed_Lastkalidate, device.lastCorrection.dateText(rs));
    setFieldText(ED_LastKaliTime, device.lastCorrection.timeText(rs));
}

} // namespace abgleich
