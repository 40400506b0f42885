// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/plantdialogs.h"

#include "core/errors.h"
#include "core/numbers.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace abgleich {

namespace {

enum PlantColumn { PDevice, PType, PBench, PLast, PUploads, PBefore, PAfter, PCount };

QTableWidgetItem* cell(const QString& text, bool number) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return item;
}

} // namespace

TPlantView::TPlantView(const QString& where, Load load, Open open, const RegionalSettings& rs,
                       QWidget* parent)
    : QDialog(parent), open_(std::move(open)), rs_(rs) {
    setObjectName(QStringLiteral("FoAnlage"));
    setWindowTitle(QStringLiteral("Anlagenübersicht"));
    resize(1100, 640);
    Where = new QLabel(QStringLiteral("Quelle: ") + where);
    Where->setObjectName(QStringLiteral("Where"));
    Notice = new QLabel(QStringLiteral("Die Geräte werden gelesen …"));
    Notice->setObjectName(QStringLiteral("Notice"));
    Notice->setWordWrap(true);
    Notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Devices = new QTableWidget(0, PCount);
    Devices->setObjectName(QStringLiteral("Devices"));
    Devices->setHorizontalHeaderLabels(
        {QStringLiteral("Gerät"), QStringLiteral("Typ"), QStringLiteral("Prüfstand"),
         QStringLiteral("Letzter Abgleich"), QStringLiteral("Übertragungen"),
         QStringLiteral("größte Abw. vorher"), QStringLiteral("größte Abw. nachher")});
    Devices->setSelectionBehavior(QAbstractItemView::SelectRows);
    Devices->setSelectionMode(QAbstractItemView::SingleSelection);
    Devices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Devices->verticalHeader()->hide();
    Devices->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Devices->horizontalHeader()->setSectionResizeMode(PBench, QHeaderView::Stretch);
    Btn_Verlauf = new QPushButton(QStringLiteral("Verlauf öffnen"));
    Btn_Verlauf->setObjectName(QStringLiteral("Btn_Verlauf"));
    Btn_Verlauf->setEnabled(false);
    Btn_Schliessen = new QPushButton(QStringLiteral("Schließen"));
    Btn_Schliessen->setObjectName(QStringLiteral("Btn_Schliessen"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Btn_Verlauf);
    buttons->addWidget(Btn_Schliessen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Where);
    layout->addWidget(Notice);
    layout->addWidget(Devices, 1);
    layout->addLayout(buttons);

    connect(Btn_Schliessen, &QPushButton::clicked, this, &QDialog::reject);
    connect(Btn_Verlauf, &QPushButton::clicked, this, [this] { openRow(Devices->currentRow()); });
    connect(Devices, &QTableWidget::cellDoubleClicked, this, [this](int row) { openRow(row); });
    connect(Devices, &QTableWidget::currentCellChanged, this,
            [this](int row) { Btn_Verlauf->setEnabled(row >= 0); });
    connect(&loading_, &QFutureWatcher<Loaded>::finished, this,
            [this] { show(loading_.result()); });
    loading_.setFuture(QtConcurrent::run([load = std::move(load)] {
        Loaded loaded;
        try {
            loaded.devices = load();
        } catch (const AppError& e) {
            loaded.error = e.message();
        } catch (const std::exception& e) {
            loaded.error = QString::fromUtf8(e.what());
        }
        return loaded;
    }));
}

TPlantView::~TPlantView() {
    loading_.waitForFinished();
}

void TPlantView::show(const Loaded& loaded) {
    devices_ = loaded.devices;
    if (!loaded.error.isEmpty())
        Notice->setText(loaded.error);
    else if (devices_.empty())
        Notice->setText(QStringLiteral("Es ist noch kein Abgleich aufgezeichnet."));
    else
        Notice->setText(QStringLiteral("%1 Gerät(e) auf %2 Prüfstand/Prüfständen. Doppelklick "
                                       "öffnet den Verlauf.")
                            .arg(devices_.size())
                            .arg([this] {
                                QStringList benches;
                                for (const PlantDevice& d : devices_)
                                    if (!benches.contains(d.benchId))
                                        benches << d.benchId;
                                return benches.size();
                            }()));
    const auto deviation = [this](const std::optional<double>& v) {
        return v ? formatFixed3(*v, rs_) : QStringLiteral("–");
    };
    Devices->setRowCount(int(devices_.size()));
    for (int r = 0; r < int(devices_.size()); ++r) {
        const PlantDevice& d = devices_[std::size_t(r)];
        Devices->setItem(r, PDevice, cell(d.deviceId, false));
        Devices->setItem(r, PType, cell(d.deviceType, false));
        Devices->setItem(r, PBench, cell(d.benchName, false));
        Devices->setItem(r, PLast, cell(rs_.formatDateTime(d.last), false));
        Devices->setItem(r, PUploads, cell(QString::number(d.uploads), true));
        Devices->setItem(r, PBefore, cell(deviation(d.largestBefore), true));
        Devices->setItem(r, PAfter, cell(deviation(d.largestAfter), true));
    }
}

void TPlantView::openRow(int row) {
    if (row < 0 || row >= int(devices_.size()) || !open_)
        return;
    open_(devices_[std::size_t(row)]);
}

TServerDialog::TServerDialog(const PlantSettings& current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FoZentraleDatenbank"));
    setWindowTitle(QStringLiteral("Zentrale Datenbank"));
    const auto edit = [](const char* name, const QString& text) {
        auto* e = new QLineEdit(text);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(255);
        return e;
    };
    Ed_Host = edit("Ed_Host", current.server.host);
    Ed_Host->setPlaceholderText(QStringLiteral("leer: keine zentrale Datenbank"));
    Ed_Port = new QSpinBox;
    Ed_Port->setObjectName(QStringLiteral("Ed_Port"));
    Ed_Port->setRange(1, 65535);
    Ed_Port->setValue(current.server.port);
    Ed_Datenbank = edit("Ed_Datenbank", current.server.database);
    Ed_Benutzer = edit("Ed_Benutzer", current.server.user);
    Ed_Pruefstand = edit("Ed_Pruefstand", current.benchName);
    Ed_Pruefstand->setPlaceholderText(QStringLiteral("leer: Name des Rechners"));
    auto* hint = new QLabel(QStringLiteral(
        "Das Passwort steht nicht in den Einstellungen: die PostgreSQL-Client-Bibliothek liest "
        "es aus ihrer Passwortdatei (~/.pgpass, eine Zeile "
        "Host:Port:Datenbank:Benutzer:Passwort, nur für den Benutzer lesbar)."));
    hint->setWordWrap(true);
    Btn_OK = new QPushButton(QStringLiteral("OK"));
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->setDefault(true);
    Btn_Abbrechen = new QPushButton(QStringLiteral("Abbrechen"));
    Btn_Abbrechen->setObjectName(QStringLiteral("Btn_Abbrechen"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Server:"), Ed_Host);
    form->addRow(QStringLiteral("Port:"), Ed_Port);
    form->addRow(QStringLiteral("Datenbank:"), Ed_Datenbank);
    form->addRow(QStringLiteral("Benutzer:"), Ed_Benutzer);
    form->addRow(QStringLiteral("Name dieses Prüfstands:"), Ed_Pruefstand);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    setMinimumWidth(460);
    connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Btn_Abbrechen, &QPushButton::clicked, this, &QDialog::reject);
}

PlantSettings TServerDialog::settings() const {
    return {{Ed_Host->text().trimmed(), Ed_Port->value(), Ed_Datenbank->text().trimmed(),
             Ed_Benutzer->text().trimmed()},
            Ed_Pruefstand->text().trimmed()};
}

} // namespace abgleich
