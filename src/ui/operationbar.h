// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ui/anchoredpanel.h"

class QLabel;
class QPushButton;

namespace abgleich {

class IntSpinEdit;
class Workbench;

// The operation bar below the device data: read, upload, import, reset, recalculate one point
// (the one the selector names) or all of them. Each button runs its operation of the
// application layer; the selector's upper bound follows the point count of each reply.
class OperationBar : public AnchoredPanel {
    Q_OBJECT

public:
    explicit OperationBar(Workbench& bench, QWidget* parent = nullptr);

    QPushButton* Btn_Abgleichabfrage;
    QPushButton* Btn_Abgleichsenden;
    QPushButton* Btn_Import;
    QPushButton* Btn_ResetTab;
    QPushButton* Btn_ComputeMS;
    QLabel* Label5;
    IntSpinEdit* Ed_MS;
    QPushButton* Btn_computeAll;
    QPushButton* BTN_Test;
};

} // namespace abgleich
