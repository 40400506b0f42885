// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ui/anchoredpanel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace abgleich {

class ProtocolLog;
class Workbench;

// The protocol panel: the service commands (Z, T, A, EA with the number of power supplies),
// a free text to send, and the protocol of the bench link.
class ProtocolPanel : public AnchoredPanel {
    Q_OBJECT

public:
    explicit ProtocolPanel(Workbench& bench, QWidget* parent = nullptr);

    ProtocolLog& log() { return *log_; }

    QPushButton* Btn_Z;
    QPushButton* Btn_T;
    QPushButton* Btn_A;
    QPushButton* Btn_EA;
    QComboBox* NT_Auswahl;
    QPushButton* Btn_SendData;
    QLineEdit* edtDataToSend;
    QPushButton* Btn_Clear;
    // The plant server's state; hidden without a server.
    QLabel* DbStatus;
    QPlainTextEdit* memLog;

private:
    ProtocolLog* log_;
};

} // namespace abgleich
