#include "records/upload.h"
#include "core/numbers.h"
#include "records/csvimport.h"
#include "records/textfile.h"
#include "workflow/authorisation.h"
#include "workflow/reportcontent.h"
#include "workflow/workbench.h"

#include <optional>

namespace abgleich {

namespace {

// Shown instead of an upload while the table holds a point list that broke off part-way.
const QString kReadBrokeOffWarning =
    QStringLiteral("Die Abgleichwerte wurden nicht vollständig von der SPS gelesen. Bitte vor "
                   "dem Senden neu abfragen (F1) oder eine CSV-Datei importieren (F3).");

} // namespace

// The correction-data upload: a table whose point list broke off part-way is refused with a
// warning; then the device-ID check, change list (and the question when nothing changed),
// authorisation with the comment, the record sent to the controller, then the coefficient
// store updated, two lines appended to the change log, the correction-data record replaced
// and the adjustment report written (its time that of the change log's line). Any refusal
// stops it before anything is sent or written.
void Workbench::uploadCorrectionData() {
    // The rows after a break-off hold no name and no coefficients; sent, they would give
    // those points the neutral correction in the controller.
    if (state_.readBrokeOff) {
        dialogs_.showWarning(kReadBrokeOffWarning);
        return;
    }
    if (!checkDeviceId(state_.device.geraeteId, dialogs_))
        return;
    const int count = strToInt(state_.device.anzMS);
    const ChangeList changes = buildChangeList(state_.table, count);
    if (changes.changed == 0 && !dialogs_.askYesNo(QStringLiteral(
                                    "Es wurden keine Änderungen vorgenommen. Trotzdem senden")))
        return;
    QString comment;
    if (!askAuthorisation(AuthorisationForm::Full, changes.lines.join(u'\n'), PasswordRule::Upload,
                          state_.device, dialogs_, &comment))
        return;
    const UploadContent content = buildUpload(state_, count);

    emit busyStarted();
    send2SPS(content.record);
    // The report shows the deviations as the bench displayed them, with the coefficients
    // the store holds until the upload.
    std::optional<AdjustmentReport> report;
    if (reports_)
        report = buildAdjustmentReport(state_, count, true);
    // Only a record handed to the link changes what the store says the controller holds.
    for (const UploadContent::StoreUpdate& update : content.storeUpdates) {
        state_.coef.setA(update.slot, update.a);
        if (update.b)
            state_.coef.setB(update.slot, *update.b);
    }

    const QDateTime loggedAt = clock_.now();
    appendTextFile(changeLogPath(state_),
                   changeLogEntry(state_.regional, loggedAt, comment, content.record));
    replaceTextFile(correctionRecordPath(state_),
                    correctionRecordText(state_.regional, clock_.now(), state_.device, comment,
                                         content.csvBody));
    if (report) {
        report->when = loggedAt;
        report->comment = withLf(comment);
        reports_->write(*report, state_.configdir);
    }
}

} // namespace abgleich
