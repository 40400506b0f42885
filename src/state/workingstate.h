// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"
#include "table/coefficientstore.h"
#include "table/pointtable.h"

#include <QChar>
#include <QDateTime>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <vector>

namespace abgleich {

// Date and time of the last correction as the device-data panel shows it: nothing, a
// known time, or "unbekannt" when the controller sent one that does not exist.
struct LastCorrection {
    enum class Kind { Empty, Known, Unknown };
    Kind kind = Kind::Empty;
    QDateTime when;

    static LastCorrection known(const QDateTime& when) { return {Kind::Known, when}; }
    static LastCorrection unknown() { return {Kind::Unknown, {}}; }

    QString dateText(const RegionalSettings& rs) const;
    QString timeText(const RegionalSettings& rs) const;
    bool operator==(const LastCorrection&) const = default;
};

// The texts of the device-data panel.
struct DeviceFields {
    QString geraeteId;             // ED_GeraeteID
    QString geraetetyp;            // Ed_Geraetetyp
    QString spsVersion;            // Ed_SPSVersion
    QString anzMS;                 // ED_AnzMS
    LastCorrection lastCorrection; // Ed_Lastkalidate, ED_LastKaliTime
    bool operator==(const DeviceFields&) const = default;
};

// What the deviation chart shows: its title and four series, each kept sorted by x.
struct DeviationChartData {
    static QString initialTitle() { return QStringLiteral("Messwertabweichungen für MS  "); }

    QString title = initialTitle();
    std::vector<QPointF> uncorrected;  // Series1 "unkorrigierte Abweichungen"
    std::vector<QPointF> recalculated; // Series2 "neu berechnete Abweichungen"
    std::vector<QPointF> zeroLine;     // Series3 "NULL"
    std::vector<QPointF> corrected;    // Series4 "aktuell korrigierte Abweichungen"

    // Inserts after every point of equal or smaller x, so a series stays sorted.
    static void addSorted(std::vector<QPointF>& series, QPointF point);
    void clearSeries();
    bool operator==(const DeviationChartData&) const = default;
};

// The one place the operations read and write: the point table, the coefficient store and
// the device fields (the bench session keeps the receive buffer and the awaited letter).
// The application layer owns it; the window mirrors it.
class WorkingState : public QObject {
    Q_OBJECT

public:
    explicit WorkingState(const RegionalSettings& regional, QObject* parent = nullptr);

    const RegionalSettings regional;
    PointTable table;
    CoefficientStore coef;
    QStringList dList; // lines of the CSV file being imported
    int anzMS = 0;     // points of the last reply or import
    QString startverzeichnis;
    QString configdir;
    DeviceFields device;
    int msUpperBound = 0; // upper bound of the point selector; its lower bound is 0
    // A point list from the controller broke off part-way: the later rows hold no names and
    // no coefficients, so nothing may be uploaded until a complete read or an import has
    // filled the table again.
    bool readBrokeOff = false;
    DeviationChartData chart;

    // Start values: empty list, the working and configuration
    // directories below currentDir (the configuration directory is created with its
    // parents; a failure is silent), captions and row numbers, the neutral correction.
    void prepare(const QString& currentDir);

    // Tell the application layer (and through it the window) what an operation changed.
    void notifyDeviceFieldsChanged() { emit deviceFieldsChanged(); }
    // Empties the four series of the deviation chart; its title stays.
    void clearChartSeries();
    void notifyChartChanged() { emit chartChanged(); }

signals:
    void deviceFieldsChanged();
    void chartChanged();
};

// The configuration directory below a working directory, with the platform's separator.
QString configDirFor(const QString& workingDir);

} // namespace abgleich
