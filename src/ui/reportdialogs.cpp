// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/reportdialogs.h"

#include "core/numbers.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace abgleich {

namespace {

enum ToleranceColumn { TName, TUnit, TTolerance };
enum StandardColumn { SId, SDescription, SCertificate, SUntil, SCount };

QTableWidgetItem* fixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QHBoxLayout* okCancel(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel) {
    ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("Btn_OK"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Abbrechen"));
    cancel->setObjectName(QStringLiteral("Btn_Abbrechen"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

QString cellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

// A date as typed: in the regional short format or as yyyy-MM-dd.
QDate dateIn(const QString& text, const RegionalSettings& rs) {
    QDate date = QDate::fromString(text, rs.shortDateFormat);
    if (!date.isValid())
        date = QDate::fromString(text, Qt::ISODate);
    return date;
}

} // namespace

TToleranceDialog::TToleranceDialog(const QString& deviceType, std::vector<ToleranceRow> rows,
                                   const RegionalSettings& rs, QWidget* parent)
    : QDialog(parent), rows_(std::move(rows)), rs_(rs) {
    setObjectName(QStringLiteral("FoToleranzen"));
    setWindowTitle(QStringLiteral("Toleranzen"));
    auto* caption = new QLabel(
        QStringLiteral("Toleranzen der Geräteart %1: die zulässige Abweichung (Betrag) in der "
                       "Einheit der Messstelle. Leer: keine Toleranz; eine solche Messstelle "
                       "wird nie als i. O. bewertet.")
            .arg(deviceType));
    caption->setWordWrap(true);
    Tolerances = new QTableWidget(int(rows_.size()), 3);
    Tolerances->setObjectName(QStringLiteral("Tolerances"));
    Tolerances->setHorizontalHeaderLabels(
        {QStringLiteral("Messstelle"), QStringLiteral("Einheit"), QStringLiteral("Toleranz ±")});
    Tolerances->verticalHeader()->hide();
    Tolerances->horizontalHeader()->setSectionResizeMode(TName, QHeaderView::Stretch);
    Tolerances->setColumnWidth(TUnit, 70);
    Tolerances->setColumnWidth(TTolerance, 110);
    for (std::size_t k = 0; k < rows_.size(); ++k) {
        const int r = int(k);
        Tolerances->setItem(r, TName, fixedItem(rows_[k].name));
        Tolerances->setItem(r, TUnit, fixedItem(rows_[k].unit));
        auto* tolerance = new QTableWidgetItem(
            rows_[k].tolerance ? formatFixed3(*rows_[k].tolerance, rs_) : QString());
        tolerance->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        Tolerances->setItem(r, TTolerance, tolerance);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(Tolerances, 1);
    layout->addLayout(okCancel(this, Btn_OK, Btn_Abbrechen));
    resize(520, 480);
    if (!rows_.empty())
        Tolerances->setCurrentCell(0, TTolerance);
}

void TToleranceDialog::accept() {
    std::vector<ToleranceRow> edited = rows_;
    for (std::size_t k = 0; k < edited.size(); ++k) {
        const QString text = cellText(Tolerances, int(k), TTolerance);
        if (text.isEmpty()) {
            edited[k].tolerance.reset();
            continue;
        }
        const std::optional<double> value = tryStrToFloat(text, rs_);
        if (!value || !std::isfinite(*value) || *value <= 0) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Toleranz für „%1“: „%2“ ist keine positive Zahl.")
                                     .arg(edited[k].name, text));
            Tolerances->setCurrentCell(int(k), TTolerance);
            return;
        }
        // As the report prints it: to the thousandth.
        edited[k].tolerance = asRecorded(*value);
    }
    rows_ = std::move(edited);
    QDialog::accept();
}

TStandardsDialog::TStandardsDialog(const StandardsChoice& current, const QDate& today,
                                   const RegionalSettings& rs, QWidget* parent)
    : QDialog(parent), choice_(current), today_(today), rs_(rs) {
    setObjectName(QStringLiteral("FoPruefmittel"));
    setWindowTitle(QStringLiteral("Prüfmittel"));
    Standards = new QTableWidget(0, SCount);
    Standards->setObjectName(QStringLiteral("Standards"));
    Standards->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("Beschreibung"),
                                          QStringLiteral("Kalibrierschein"),
                                          QStringLiteral("kalibriert bis")});
    Standards->verticalHeader()->hide();
    Standards->horizontalHeader()->setSectionResizeMode(SDescription, QHeaderView::Stretch);
    Standards->setColumnWidth(SId, 110);
    Standards->setColumnWidth(SCertificate, 130);
    Standards->setColumnWidth(SUntil, 100);
    for (const ReferenceStandard& standard : current.standards)
        addRow(standard);
    InUse = new QComboBox;
    InUse->setObjectName(QStringLiteral("InUse"));
    refreshChoice();
    if (const int index = InUse->findData(current.inUse); index >= 0)
        InUse->setCurrentIndex(index);
    Btn_Hinzufuegen = new QPushButton(QStringLiteral("Hinzufügen"));
    Btn_Hinzufuegen->setObjectName(QStringLiteral("Btn_Hinzufuegen"));
    Btn_Hinzufuegen->setAutoDefault(false);
    Btn_Entfernen = new QPushButton(QStringLiteral("Entfernen"));
    Btn_Entfernen->setObjectName(QStringLiteral("Btn_Entfernen"));
    Btn_Entfernen->setAutoDefault(false);
    connect(Btn_Hinzufuegen, &QPushButton::clicked, this, [this] {
        addRow({});
        Standards->setCurrentCell(Standards->rowCount() - 1, SId);
        Standards->editItem(Standards->item(Standards->rowCount() - 1, SId));
    });
    connect(Btn_Entfernen, &QPushButton::clicked, this, [this] {
        if (Standards->currentRow() >= 0)
            Standards->removeRow(Standards->currentRow());
        refreshChoice();
    });
    connect(Standards, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == SId || item->column() == SDescription)
            refreshChoice();
        else if (item->column() == SUntil)
            markExpired(item->row());
    });
    auto* edits = new QHBoxLayout;
    edits->addWidget(Btn_Hinzufuegen);
    edits->addWidget(Btn_Entfernen);
    edits->addStretch(1);
    auto* choiceRow = new QHBoxLayout;
    auto* choiceLabel = new QLabel(QStringLiteral("Prüfmittel in Gebrauch:"));
    choiceLabel->setBuddy(InUse);
    choiceRow->addWidget(choiceLabel);
    choiceRow->addWidget(InUse, 1);
    auto* hint = new QLabel(
        QStringLiteral(
            "Datum als %1. Rot: über das Kalibrierdatum hinaus; ein solches Prüfmittel in Gebrauch "
            "wird vor dem Senden (F2) gemeldet und im Abgleichprotokoll vermerkt.")
            .arg(rs_.shortDateFormat.toUpper()));
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Standards, 1);
    layout->addLayout(edits);
    layout->addLayout(choiceRow);
    layout->addWidget(hint);
    layout->addLayout(okCancel(this, Btn_OK, Btn_Abbrechen));
    resize(640, 420);
}

void TStandardsDialog::addRow(const ReferenceStandard& standard) {
    const QSignalBlocker quiet(Standards);
    const int r = Standards->rowCount();
    Standards->insertRow(r);
    Standards->setItem(r, SId, new QTableWidgetItem(standard.id));
    Standards->setItem(r, SDescription, new QTableWidgetItem(standard.description));
    Standards->setItem(r, SCertificate, new QTableWidgetItem(standard.certificate));
    Standards->setItem(r, SUntil,
                       new QTableWidgetItem(standard.validUntil.isValid()
                                                ? rs_.formatDate(standard.validUntil.startOfDay())
                                                : QString()));
    markExpired(r);
}

void TStandardsDialog::markExpired(int row) {
    QTableWidgetItem* until = Standards->item(row, SUntil);
    if (!until)
        return;
    const QSignalBlocker quiet(Standards);
    const QDate date = dateIn(until->text().trimmed(), rs_);
    const bool expired = date.isValid() && date < today_;
    until->setForeground(expired ? QBrush(Qt::red) : QBrush());
    until->setToolTip(expired ? QStringLiteral("Kalibrierung abgelaufen") : QString());
}

void TStandardsDialog::refreshChoice() {
    if (!InUse)
        return;
    const QString chosen = InUse->currentData().toString();
    const QSignalBlocker quiet(InUse);
    InUse->clear();
    InUse->addItem(QStringLiteral("(keines)"), QString());
    for (int r = 0; r < Standards->rowCount(); ++r) {
        const QString id = cellText(Standards, r, SId);
        if (!id.isEmpty() && InUse->findData(id) < 0)
            InUse->addItem(id + QStringLiteral(" – ") + cellText(Standards, r, SDescription), id);
    }
    InUse->setCurrentIndex(std::max(0, InUse->findData(chosen)));
}

void TStandardsDialog::accept() {
    StandardsChoice edited;
    QStringList ids;
    for (int r = 0; r < Standards->rowCount(); ++r) {
        ReferenceStandard s{cellText(Standards, r, SId),
                            cellText(Standards, r, SDescription),
                            cellText(Standards, r, SCertificate),
                            {}};
        const QString until = cellText(Standards, r, SUntil);
        const auto refuse = [&](const QString& why, int column) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("Zeile %1: %2").arg(r + 1).arg(why));
            Standards->setCurrentCell(r, column);
        };
        if (s.id.isEmpty() && s.description.isEmpty() && s.certificate.isEmpty() && until.isEmpty())
            continue; // an empty row added and left
        if (s.id.isEmpty())
            return refuse(QStringLiteral("Die ID fehlt."), SId);
        if (ids.contains(s.id))
            return refuse(QStringLiteral("Die ID „%1“ steht schon in einer Zeile davor.").arg(s.id),
                          SId);
        s.validUntil = dateIn(until, rs_);
        if (!s.validUntil.isValid())
            return refuse(QStringLiteral("„%1“ ist kein Datum (%2).")
                              .arg(until, rs_.shortDateFormat.toUpper()),
                          SUntil);
        ids << s.id;
        edited.standards.push_back(s);
    }
    std::sort(edited.standards.begin(), edited.standards.end(),
              [](const ReferenceStandard& a, const ReferenceStandard& b) { return a.id < b.id; });
    edited.inUse =
        ids.contains(InUse->currentData().toString()) ? InUse->currentData().toString() : QString();
    choice_ = std::move(edited);
    QDialog::accept();
}

} // namespace abgleich
