#include "records/upload.h"

#include "core/checkedmath.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/text.h"
#include "records/csvimport.h"
#include "records/textfile.h"
#include "state/authorisation.h"
#include "state/loadedrecord.h"

#include <QDir>

#include <cmath>

namespace abgleich {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString trimmed(const QString& text) {
    return trimBlanksAndControls(text).toString();
}

// The comment's line breaks as "\n", and as the files carry them.
QString withLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.replace(u'\r', u'\n');
}
QString withCrLf(const QString& text) {
    return withLf(text).replace(QStringLiteral("\n"), kCrLf);
}

} // namespace

QString thousandths(double value) {
    const double scaled = checkedValue(value * 1000.0);
    // Halves go to the even integer, as the default rounding mode does.
    const double rounded = std::nearbyint(scaled);
    if (std::fabs(rounded) >= 9.2e18)
        throw AppError::invalidOperation();
    return QString::number(qint64(rounded));
}

ChangeList buildChangeList(PointTable& table, int count) {
    ChangeList list;
    list.lines << QStringLiteral("geänderte Werte");
    for (int n = 1; n <= count; ++n) {
        QString mark;
        if (table.shownNumber(Col::ASps, n) != table.storedNumber(Col::ANeu, n))
            mark = QStringLiteral("  Offset ");
        if (table.shownNumber(Col::BSps, n) != table.storedNumber(Col::BNeu, n))
            mark += QStringLiteral(" Gain ");
        if (!mark.isEmpty()) {
            ++list.changed;
            list.lines << table.cellText(Col::Name, n) + mark;
        }
    }
    return list;
}

UploadContent buildUpload(const WorkingState& state, int count) {
    const PointTable& table = state.table;
    UploadContent content;
    QStringList fields = {u'U' + state.device.geraeteId, state.device.geraetetyp, QString(),
                          QString(), QString::number(count)};
    for (int n = 1; n <= count; ++n) {
        const QString name = trimmed(table.cellText(Col::Name, n));
        const QString unit = trimmed(table.cellText(Col::Unit, n));
        fields << name << unit;
        QString aText = QStringLiteral("0");
        QString bText = QStringLiteral("1");
        if (!table.cellText(Col::ANeu, n).isEmpty()) {
            const double a = table.storedNumber(Col::ANeu, n);
            const double b = table.storedNumber(Col::BNeu, n);
            fields << thousandths(a) << thousandths(b);
            aText = table.cellText(Col::ANeu, n);
            bText = table.cellText(Col::BNeu, n);
            if (CoefficientStore::hasSlot(n))
                content.storeUpdates.push_back(
                    {n, a, isOffsetPoint(name) ? std::nullopt : std::optional<double>(b)});
        } else {
            fields << QStringLiteral("0") << QStringLiteral("1000");
        }
        content.csvBody +=
            name + kCsvSeparator + unit + kCsvSeparator + aText + kCsvSeparator + bText + kCrLf;
    }
    content.record = fields.join(u',') + u';';
    return content;
}

QString changeLogEntry(const RegionalSettings& rs, const QDateTime& when, const QString& comment,
                       const QString& record) {
    return rs.formatDateTime(when) + u' ' + withCrLf(comment) + kCrLf + record + kCrLf;
}

QString changeLogPath(const WorkingState& state) {
    return state.configdir + QDir::separator() + QStringLiteral("Log_") + state.device.geraeteId +
           QStringLiteral(".log");
}

QString correctionRecordPath(const WorkingState& state) {
    return state.configdir + QDir::separator() + QStringLiteral("Abgleich_") +
           state.device.geraeteId + QStringLiteral(".csv");
}

void sendCorrData(WorkingState& state, OperatorDialogs& dialogs, const Clock& clock,
                  const UploadLink& link) {
    // The rows after a break-off hold no name and no coefficients; sent, they would give
    // those points the neutral correction in the controller.
    if (state.readBrokeOff) {
        dialogs.showWarning(kReadBrokeOffWarning);
        return;
    }
    if (!checkDeviceId(state.device.geraeteId, dialogs))
        return;
    const int count = strToInt(state.device.anzMS);
    const ChangeList changes = buildChangeList(state.table, count);
    if (changes.changed == 0 && !dialogs.askYesNo(QStringLiteral(
                                    "Es wurden keine Änderungen vorgenommen. Trotzdem senden")))
        return;
    QString comment;
    if (!askAuthorisation(AuthorisationForm::Full, changes.lines.join(u'\n'), PasswordRule::Upload,
                          state.device, dialogs, &comment))
        return;
    const UploadContent content = buildUpload(state, count);

    link.startIndicator();
    link.send2SPS(content.record);
    // The report shows the deviations as the bench displayed them, with the coefficients
    // the store holds until the upload.
    std::optional<AdjustmentReport> report;
    if (link.writeReport)
        report = buildAdjustmentReport(state, count, true);
    // Only a record handed to the link changes what the store says the controller holds.
    for (const UploadContent::StoreUpdate& update : content.storeUpdates) {
        state.coef.setA(update.slot, update.a);
        if (update.b)
            state.coef.setB(update.slot, *update.b);
    }

    const QString logComment = withCrLf(comment);
    const QDateTime loggedAt = clock.now();
    appendTextFile(changeLogPath(state),
                   changeLogEntry(state.regional, loggedAt, comment, content.record));
    const QString header = state.regional.formatDateTime(clock.now()) + kCsvSeparator +
                           state.device.geraeteId + kCsvSeparator + state.device.geraetetyp +
                           kCsvSeparator + logComment + kCrLf;
    replaceTextFile(correctionRecordPath(state),
                    header + kCsvHeading + kCrLf + content.csvBody + kCrLf);
    if (report) {
        report->when = loggedAt;
        report->comment = withLf(comment);
        link.writeReport(*report);
    }
}

} // namespace abgleich
