// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "workflow/operatordialogs.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace abgleich {

// "Toleranzen": the tolerance of each point of a device type, typed as a positive number
// in the point's unit; an empty cell sets none. OK checks every cell first and names the
// first one that is no positive number.
class TToleranceDialog : public QDialog {
    Q_OBJECT

public:
    TToleranceDialog(const QString& deviceType, std::vector<ToleranceRow> rows,
                     const RegionalSettings& rs, QWidget* parent = nullptr);

    // The rows as edited; valid once accepted.
    const std::vector<ToleranceRow>& rows() const { return rows_; }

    QTableWidget* Tolerances;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;

    void accept() override;

private:
    std::vector<ToleranceRow> rows_;
    RegionalSettings rs_;
};

// "Prüfmittel": the register of reference standards (ID, description, certificate number,
// calibrated until) and the one in use. A standard past its date is shown in red. OK checks
// that every ID is given once and every date is one.
class TStandardsDialog : public QDialog {
    Q_OBJECT

public:
    TStandardsDialog(const StandardsChoice& current, const QDate& today, const RegionalSettings& rs,
                     QWidget* parent = nullptr);

    // The register and the choice as edited; valid once accepted.
    const StandardsChoice& choice() const { return choice_; }

    QTableWidget* Standards;
    QComboBox* InUse = nullptr;
    QPushButton* Btn_Hinzufuegen;
    QPushButton* Btn_Entfernen;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;

    void accept() override;

private:
    void addRow(const ReferenceStandard& standard);
    // The choice's list follows the IDs in the table.
    void refreshChoice();
    void markExpired(int row);

    StandardsChoice choice_;
    QDate today_;
    RegionalSettings rs_;
};

} // namespace abgleich
