// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "workflow/operatordialogs.h"

#include <QDialog>
#include <QFutureWatcher>

#include <functional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace abgleich {

// "Anlagenübersicht": every device the records know, with its bench, its last adjustment
// and the largest deviations before and after it. The list is read off the window's thread;
// a device's history opens from its row.
class TPlantView : public QDialog {
    Q_OBJECT

public:
    using Load = std::function<std::vector<PlantDevice>()>;
    using Open = std::function<void(const PlantDevice&)>;

    TPlantView(const QString& where, Load load, Open open, const RegionalSettings& rs,
               QWidget* parent = nullptr);
    ~TPlantView() override;

    const std::vector<PlantDevice>& devices() const { return devices_; }
    bool loading() const { return loading_.isRunning(); }
    // Opens the history of the device in a row of the list.
    void openRow(int row);

    QLabel* Where;
    QLabel* Notice;
    QTableWidget* Devices;
    QPushButton* Btn_Verlauf;
    QPushButton* Btn_Schliessen;

private:
    struct Loaded {
        std::vector<PlantDevice> devices;
        QString error;
    };
    void show(const Loaded& loaded);

    Open open_;
    RegionalSettings rs_;
    std::vector<PlantDevice> devices_;
    QFutureWatcher<Loaded> loading_;
};

// "Zentrale Datenbank…": the plant server's host, port, database and user, and this
// bench's name. The password is never asked here.
class TServerDialog : public QDialog {
    Q_OBJECT

public:
    explicit TServerDialog(const PlantSettings& current, QWidget* parent = nullptr);
    PlantSettings settings() const;

    QLineEdit* Ed_Host;
    QSpinBox* Ed_Port;
    QLineEdit* Ed_Datenbank;
    QLineEdit* Ed_Benutzer;
    QLineEdit* Ed_Pruefstand;
    QPushButton* Btn_OK;
    QPushButton* Btn_Abbrechen;
};

} // namespace abgleich
