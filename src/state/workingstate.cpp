// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "state/workingstate.h"

#include <QDir>

#include <algorithm>

namespace abgleich {

QString LastCorrection::dateText(const RegionalSettings& rs) const {
    switch (kind) {
    case Kind::Known:
        return rs.formatDate(when);
    case Kind::Unknown:
        return QStringLiteral("unbekannt");
    case Kind::Empty:
        break;
    }
    return {};
}

QString LastCorrection::timeText(const RegionalSettings& rs) const {
    return kind == Kind::Known ? rs.formatTime(when) : QString();
}

void DeviationChartData::addSorted(std::vector<QPointF>& series, QPointF point) {
    const auto at = std::upper_bound(series.begin(), series.end(), point,
                                     [](QPointF a, QPointF b) { return a.x() < b.x(); });
    series.insert(at, point);
}

void DeviationChartData::clearSeries() {
    uncorrected.clear();
    recalculated.clear();
    zeroLine.clear();
    corrected.clear();
}

void WorkingState::clearChartSeries() {
    chart.clearSeries();
    emit chartChanged();
}

WorkingState::WorkingState(const RegionalSettings& settings, QObject* parent)
    : QObject(parent), regional(settings), table(settings) {}

QString configDirFor(const QString& workingDir) {
    return QDir::toNativeSeparators(workingDir) + QDir::separator() + QStringLiteral("config");
}

void WorkingState::prepare(const QString& currentDir) {
    dList.clear();
    startverzeichnis = QDir::toNativeSeparators(currentDir);
    configdir = configDirFor(currentDir);
    QDir().mkpath(configdir); // a failure shows later, when a file is written there
    table.writeHeaderRow();
    table.writeRowNumbers();
    coef.reset();
}

} // namespace abgleich
