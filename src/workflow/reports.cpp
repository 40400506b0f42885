// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/ansicodec.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/text.h"
#include "workflow/authorisation.h"
#include "workflow/reportcontent.h"
#include "workflow/workbench.h"

#include <QCryptographicHash>

namespace abgleich {

namespace {

// A point's row as it bears on a report: name, unit, coefficients, pairs and new values
// (not the deviations, which follow from them).
QString rowText(const PointTable& table, int n) {
    QStringList cells;
    for (int column = Col::Name; column < Col::Count; ++column)
        if (column < Col::Diff1 || column > Col::Diff4)
            cells << table.cellText(column, n);
    return cells.join(u'\x1f');
}

std::vector<QString> rowTexts(const PointTable& table, int count) {
    std::vector<QString> rows(std::size_t(std::max(count, 0)) + 1);
    for (int n = 1; n <= count && n < table.rows(); ++n)
        rows[std::size_t(n)] = rowText(table, n);
    return rows;
}

} // namespace

const QHash<QString, double>& Workbench::tolerances() {
    const QString type = state_.device.geraetetyp.trimmed();
    if (!tolerances_ || tolerances_->first != type) {
        QHash<QString, double> read;
        try {
            read = records().tolerances(type);
        } catch (const AppError&) {
            records_.reset(); // judged without tolerances: nothing passes
        }
        tolerances_.emplace(type, std::move(read));
    }
    return tolerances_->second;
}

std::optional<Workbench::PointJudgement> Workbench::judgePoint(int n) {
    if (n < 1 || n >= state_.table.rows())
        return std::nullopt;
    // A row as it stood at the last upload was judged by that upload's report: its pairs
    // were read with the coefficients the controller held before.
    const std::size_t k = std::size_t(n);
    if (lastUpload_ && k < lastUpload_->rows.size() && k <= lastUpload_->report.points.size() &&
        lastUpload_->rows[k] == rowText(state_.table, n)) {
        const ReportPoint& point = lastUpload_->report.points[k - 1];
        if (point.pairs.empty())
            return std::nullopt;
        return PointJudgement{
            point.asFound(), point.asLeft(),
            verdictsToolTip(point, state_.regional) +
                QStringLiteral("\n(Stand der Übertragung Nr. %1)").arg(lastUpload_->report.number)};
    }
    const ReportPoint point = reportPoint(state_, n, ReportKind::Upload, tolerances());
    if (point.pairs.empty())
        return std::nullopt;
    return PointJudgement{point.asFound(), point.asLeft(), verdictsToolTip(point, state_.regional)};
}

std::optional<ReferenceStandard> Workbench::standardInUse() {
    if (reportSettings_.standardId.isEmpty())
        return std::nullopt;
    try {
        for (const ReferenceStandard& standard : records().standards())
            if (standard.id == reportSettings_.standardId)
                return standard;
    } catch (const AppError&) {
        records_.reset();
    }
    return std::nullopt;
}

bool Workbench::acceptStandard() {
    const std::optional<ReferenceStandard> standard = standardInUse();
    if (!standard || !standard->expiredOn(clock_.now().date()))
        return true;
    return dialogs_.askYesNo(
        QStringLiteral("Das Prüfmittel „%1“ (%2) ist nur bis %3 kalibriert. Das "
                       "Abgleichprotokoll vermerkt, dass es abgelaufen war. Trotzdem fortfahren")
            .arg(standard->id, standard->description,
                 state_.regional.formatDate(standard->validUntil.startOfDay())));
}

void Workbench::identify(AdjustmentReport& report) {
    report.operatorName = reportSettings_.operatorName.isEmpty() ? systemUserFullName()
                                                                 : reportSettings_.operatorName;
    try {
        report.benchName = records().benchName();
    } catch (const AppError&) {
        records_.reset();
    }
    report.standard = standardInUse();
}

void Workbench::writeTableReport() {
    guarded([this] {
        if (!checkDeviceId(state_.device.geraeteId, dialogs_) || !reports_.enabled())
            return;
        const int count = strToInt(state_.device.anzMS);
        AdjustmentReport report;
        if (lastUpload_ && lastUpload_->report.device == state_.device &&
            lastUpload_->rows == rowTexts(state_.table, count)) {
            // Nothing changed since the upload: its report again, as a copy that says the
            // values were sent.
            report = lastUpload_->report;
            report.kind = ReportKind::Table;
            report.uploadNumber = lastUpload_->report.number;
            report.uploadedAt = lastUpload_->report.when;
        } else {
            report = buildAdjustmentReport(state_, count, ReportKind::Table, tolerances());
        }
        report.when = clock_.now();
        identify(report);
        try {
            report.number =
                records().drawReportNumber(ReportSeries::Table, lastUpload_ ? lastUpload_->id : 0,
                                           report.when.toMSecsSinceEpoch());
        } catch (const AppError&) {
            records_.reset(); // the report is written without a number, and says so
        }
        const QString saved =
            report.uploadNumber.isEmpty()
                ? QStringLiteral("Das Abgleichprotokoll (nicht übertragen) wurde gespeichert:\n")
                : QStringLiteral("Die Abschrift des Abgleichprotokolls Nr. %1 wurde "
                                 "gespeichert:\n")
                      .arg(report.uploadNumber);
        reports_.start(
            std::move(report), state_.configdir,
            [this, saved](const ReportOutcome& outcome) { reportEnded(outcome, false, 0, saved); });
    });
}

void Workbench::recordCheck() {
    guarded([this] {
        if (!checkDeviceId(state_.device.geraeteId, dialogs_) || !reports_.enabled())
            return;
        if (!lastUpload_ || lastUpload_->report.device.geraeteId != state_.device.geraeteId) {
            dialogs_.showWarning(QStringLiteral(
                "Eine Nachmessung lässt sich nur nach einer Übertragung an dieses Gerät "
                "protokollieren (F2)."));
            return;
        }
        const int count = strToInt(state_.device.anzMS);
        // The upload emptied the pairs: those in the table now were typed after it, read with
        // its coefficients.
        AdjustmentReport report =
            buildAdjustmentReport(state_, count, ReportKind::Check, tolerances());
        if (std::none_of(report.points.begin(), report.points.end(),
                         [](const ReportPoint& p) { return !p.pairs.empty(); })) {
            dialogs_.showWarning(QStringLiteral(
                "Seit der Übertragung wurden keine Wertepaare neu eingegeben. Für die "
                "Nachmessung bitte Ref und tm der nachgemessenen Messstellen eingeben."));
            return;
        }
        report.when = clock_.now();
        report.uploadNumber = lastUpload_->report.number;
        report.uploadedAt = lastUpload_->report.when;
        identify(report);
        report.number = records().drawReportNumber(ReportSeries::Check, lastUpload_->id,
                                                   report.when.toMSecsSinceEpoch());
        reports_.start(std::move(report), state_.configdir, [this](const ReportOutcome& outcome) {
            reportEnded(outcome, false, 0,
                        QStringLiteral("Das Protokoll der Nachmessung wurde "
                                       "gespeichert:\n"));
        });
    });
}

void Workbench::editTolerances() {
    guarded([this] {
        const QString type = state_.device.geraetetyp.trimmed();
        if (type.isEmpty()) {
            dialogs_.showWarning(QStringLiteral(
                "Toleranzen gelten je Geräteart: bitte zuerst die Geräteart eintragen."));
            return;
        }
        const QHash<QString, double> held = records().tolerances(type);
        std::vector<ToleranceRow> rows;
        const int count = std::min(strToInt(state_.device.anzMS), state_.table.rows() - 1);
        for (int n = 1; n <= count; ++n) {
            ToleranceRow row;
            row.name = trimBlanksAndControls(state_.table.cellText(Col::Name, n)).toString();
            if (row.name.isEmpty())
                continue;
            row.unit = trimBlanksAndControls(state_.table.cellText(Col::Unit, n)).toString();
            if (const auto it = held.constFind(row.name); it != held.cend())
                row.tolerance = *it;
            rows.push_back(row);
        }
        const std::optional<std::vector<ToleranceRow>> edited = dialogs_.editTolerances(type, rows);
        if (!edited)
            return;
        QHash<QString, std::optional<double>> changes;
        for (const ToleranceRow& row : *edited)
            if (row.tolerance !=
                (held.contains(row.name) ? std::optional(held.value(row.name)) : std::nullopt))
                changes.insert(row.name, row.tolerance);
        if (changes.isEmpty())
            return;
        tolerances_.reset();
        records().setTolerances(type, changes);
        emit logLine(QStringLiteral("Toleranzen für Geräteart %1 gespeichert (%2 geändert)")
                         .arg(type)
                         .arg(changes.size()));
        emit tolerancesChanged();
    });
}

void Workbench::editStandards() {
    guarded([this] {
        const StandardsChoice current{records().standards(), reportSettings_.standardId};
        const std::optional<StandardsChoice> edited = dialogs_.editStandards(current);
        if (!edited)
            return;
        if (edited->standards != current.standards)
            records().setStandards(edited->standards);
        if (edited->inUse != reportSettings_.standardId) {
            reportSettings_.standardId = edited->inUse;
            emit reportSettingsChanged(reportSettings_);
            emit logLine(edited->inUse.isEmpty()
                             ? QStringLiteral("Kein Prüfmittel gewählt")
                             : QStringLiteral("Prüfmittel in Gebrauch: ") + edited->inUse);
        }
    });
}

// The upload's report, signed and numbered, and what the next report compares with.
void Workbench::noteUpload(AdjustmentReport& report, qint64 uploadId, const QString& record) {
    identify(report);
    report.recordSha256 = QString::fromLatin1(
        QCryptographicHash::hash(encodeAnsi(record), QCryptographicHash::Sha256).toHex());
    const int count = int(report.points.size());
    lastUpload_ = LastUpload{report, uploadId, rowTexts(state_.table, count)};
}

} // namespace abgleich
