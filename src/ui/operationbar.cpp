// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/operationbar.h"

#include "ui/controls.h"
#include "ui/intspinedit.h"
#include "ui/windowlayout.h"
#include "workflow/workbench.h"

namespace abgleich {

OperationBar::OperationBar(Workbench& bench, QWidget* parent)
    : AnchoredPanel(QStringLiteral("Operation_Panel"),
                    {layout::kClientWidth, layout::kOperationHeight}, parent) {
    setFixedHeight(layout::kOperationHeight);
    Btn_Abgleichabfrage =
        button("Btn_Abgleichabfrage", QStringLiteral("Abgleichwerte von SPS abfragen (F1)"));
    Btn_Abgleichsenden =
        button("Btn_Abgleichsenden", QStringLiteral("Abgleichwerte an SPS übertragen (F2)"));
    Btn_Import = button("Btn_Import", QStringLiteral("Import (F3)"));
    Btn_ResetTab = button("Btn_ResetTab", QStringLiteral("Tabelle rücksetzen"));
    Btn_ComputeMS =
        button("Btn_ComputeMS", QStringLiteral("Koeffizienten für MS neu berechnen (F4)"));
    Label5 = label("Label5", QStringLiteral("MS"));
    Ed_MS = named(new IntSpinEdit, "Ed_MS");
    onButtonFace(Ed_MS);
    Btn_computeAll =
        button("Btn_computeAll", QStringLiteral("Koeffizienten für ALLE neu berechnen (F12)"));
    BTN_Test = button("BTN_Test", QStringLiteral("BTN_Test"));

    place(Btn_Abgleichabfrage, {8, 4, 270, 30});
    place(Btn_Abgleichsenden, {284, 4, 270, 30});
    place(Btn_Import, {560, 4, 110, 30});
    place(Btn_ResetTab, {676, 4, 140, 30});
    place(Btn_ComputeMS, {822, 4, 290, 30});
    place(Label5, {1120, 9, 24, 20});
    place(Ed_MS, {1146, 6, 64, 26});
    place(Btn_computeAll, {1218, 4, 300, 30});
    place(BTN_Test, {layout::kClientWidth + 16, 4, 75, 30}); // beyond the right edge
    Btn_ResetTab->hide();
    BTN_Test->hide();
    Ed_MS->setMinValue(0);
    Ed_MS->setMaxValue(0);
    Ed_MS->setValue(1);

    Workbench* b = &bench;
    connect(Btn_Abgleichabfrage, &QPushButton::clicked, b,
            [b] { b->readCorrectionData(Trigger::Button); });
    connect(Btn_Abgleichsenden, &QPushButton::clicked, b, &Workbench::upload);
    connect(Btn_Import, &QPushButton::clicked, b, &Workbench::importRecord);
    connect(Btn_ResetTab, &QPushButton::clicked, b, &Workbench::resetTable);
    connect(Btn_ComputeMS, &QPushButton::clicked, b,
            [this, b] { b->recalculatePoint(Ed_MS->value()); });
    connect(Btn_computeAll, &QPushButton::clicked, b, [b] { b->recalculateAll(Trigger::Button); });
    connect(b, &Workbench::pointChosen, Ed_MS, &IntSpinEdit::setValue);
    connect(b, &Workbench::deviceFieldsChanged, Ed_MS,
            [this, b] { Ed_MS->setMaxValue(b->state().msUpperBound); });
}

} // namespace abgleich
