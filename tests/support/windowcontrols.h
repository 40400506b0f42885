// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ui/anchoredpanel.h"
#include "ui/busyindicator.h"
#include "ui/deviationchart.h"
#include "ui/intspinedit.h"
#include "ui/pointgrid.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>

#include <gtest/gtest.h>

namespace abgleich::test {

// The main window's controls, found by their object names as the settings file and an
// operator's eye find them.
class WindowControls {
public:
    explicit WindowControls(QWidget& window) : window_(window) {}

private:
    template <typename T> T* find(const char* name) {
        T* control = window_.findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    QWidget& window_;

public:
    AnchoredPanel* Panel_Geratedaten = find<AnchoredPanel>("Panel_Geratedaten");
    QPushButton* Btn_Connect = find<QPushButton>("Btn_Connect");
    QLabel* Label2 = find<QLabel>("Label2");
    QLineEdit* ED_IP = find<QLineEdit>("ED_IP");
    QLabel* Label4 = find<QLabel>("Label4");
    QLineEdit* Ed_Geraetetyp = find<QLineEdit>("Ed_Geraetetyp");
    QLabel* Label1 = find<QLabel>("Label1");
    QLineEdit* ED_GeraeteID = find<QLineEdit>("ED_GeraeteID");
    QLabel* Label6 = find<QLabel>("Label6");
    QLineEdit* Ed_SPSVersion = find<QLineEdit>("Ed_SPSVersion");
    QLabel* Label3 = find<QLabel>("Label3");
    QLineEdit* ED_AnzMS = find<QLineEdit>("ED_AnzMS");
    QLabel* Label7 = find<QLabel>("Label7");
    QLineEdit* Ed_Lastkalidate = find<QLineEdit>("Ed_Lastkalidate");
    QLineEdit* ED_LastKaliTime = find<QLineEdit>("ED_LastKaliTime");
    QListWidget* settings = find<QListWidget>("settings");
    AnchoredPanel* Operation_Panel = find<AnchoredPanel>("Operation_Panel");
    QPushButton* Btn_Abgleichabfrage = find<QPushButton>("Btn_Abgleichabfrage");
    QPushButton* Btn_Abgleichsenden = find<QPushButton>("Btn_Abgleichsenden");
    QPushButton* Btn_Import = find<QPushButton>("Btn_Import");
    QPushButton* Btn_ResetTab = find<QPushButton>("Btn_ResetTab");
    QPushButton* Btn_ComputeMS = find<QPushButton>("Btn_ComputeMS");
    QLabel* Label5 = find<QLabel>("Label5");
    IntSpinEdit* Ed_MS = find<IntSpinEdit>("Ed_MS");
    QPushButton* Btn_computeAll = find<QPushButton>("Btn_computeAll");
    QPushButton* BTN_Test = find<QPushButton>("BTN_Test");
    QSplitter* Splitter2 = find<QSplitter>("Splitter2");
    QWidget* Daten_panel = find<QWidget>("Daten_panel");
    QSplitter* Splitter1 = find<QSplitter>("Splitter1");
    QWidget* Gridpanel = find<QWidget>("Gridpanel");
    QLabel* Gridpanel_Caption = find<QLabel>("Gridpanel_Caption");
    PointGrid* DGrid = find<PointGrid>("DGrid");
    BusyIndicator* ActivityIndicator = find<BusyIndicator>("ActivityIndicator");
    DeviationChart* RegChart = find<DeviationChart>("RegChart");
    AnchoredPanel* Log_Panel = find<AnchoredPanel>("Log_Panel");
    QPushButton* Btn_Z = find<QPushButton>("Btn_Z");
    QPushButton* Btn_T = find<QPushButton>("Btn_T");
    QPushButton* Btn_A = find<QPushButton>("Btn_A");
    QPushButton* Btn_EA = find<QPushButton>("Btn_EA");
    QComboBox* NT_Auswahl = find<QComboBox>("NT_Auswahl");
    QPushButton* Btn_SendData = find<QPushButton>("Btn_SendData");
    QLineEdit* edtDataToSend = find<QLineEdit>("edtDataToSend");
    QPushButton* Btn_Clear = find<QPushButton>("Btn_Clear");
    QPlainTextEdit* memLog = find<QPlainTextEdit>("memLog");
};

inline WindowControls ui(QWidget& window) {
    return WindowControls(window);
}

} // namespace abgleich::test
