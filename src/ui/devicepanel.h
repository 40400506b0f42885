// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ui/anchoredpanel.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace abgleich {

class Workbench;

// The device-data panel on top: the connect button, the bench address, the device fields
// and the two view toggles. The address and the typed device fields go to the application
// layer; the fields show what it holds.
class DevicePanel : public AnchoredPanel {
    Q_OBJECT

public:
    enum Toggle { ProtZeigen = 0, DiffZeigen = 1 };

    DevicePanel(Workbench& bench, QWidget* parent = nullptr);

    bool isChecked(Toggle toggle) const;
    // Both toggles checked, without telling anyone: the start state.
    void checkToggles();
    // After the stored captions were restored: a stored "trennen" on the connect button
    // gives way to "Prüfstand verbinden" while the link is closed; a plant's own caption
    // stays.
    void captionForLink(bool open);

    QPushButton* Btn_Connect;
    QLabel* Label2;
    QLineEdit* ED_IP;
    QLabel* Label4;
    QLineEdit* Ed_Geraetetyp;
    QLabel* Label1;
    QLineEdit* ED_GeraeteID;
    QLabel* Label6;
    QLineEdit* Ed_SPSVersion;
    QLabel* Label3;
    QLineEdit* ED_AnzMS;
    QLabel* Label7;
    QLineEdit* Ed_Lastkalidate;
    QLineEdit* ED_LastKaliTime;
    QListWidget* settings;

signals:
    // A view toggle was clicked or changed.
    void togglesChanged();

private:
    void showDeviceFields();

    Workbench& bench_;
};

} // namespace abgleich
