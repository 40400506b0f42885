// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "workflow/workbench.h"

#include "bench/commands.h"
#include "bench/replyparser.h"
#include "calc/recalculation.h"
#include "core/numbers.h"
#include "core/text.h"
#include "records/csvimport.h"
#include "records/textfile.h"
#include "records/upload.h"
#include "state/loadedrecord.h"
#include "workflow/authorisation.h"
#include "workflow/reportcontent.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <climits>

namespace abgleich {

Workbench::Workbench(WorkbenchServices services, const RegionalSettings& regional,
                     const QString& workingDir, QObject* parent)
    : QObject(parent), dialogs_(services.dialogs), session_(services.session),
      clock_(services.clock), state_(regional), host_(QLatin1String(BenchSession::kDefaultHost)),
      plant_(recordsFilePath(configDirFor(workingDir))), reports_(services.reports) {
    state_.prepare(workingDir);
    connect(&state_, &WorkingState::deviceFieldsChanged, this, &Workbench::deviceFieldsChanged);
    connect(&state_, &WorkingState::chartChanged, this, &Workbench::chartChanged);
    connect(&session_, &BenchSession::logLine, this, &Workbench::logLine);
    connect(&session_, &BenchSession::connectionChanged, this, &Workbench::connectionChanged);
    connect(&session_, &BenchSession::busyEnded, this, &Workbench::busyEnded);
    connect(&session_, &BenchSession::frameTaken, this, &Workbench::takeFrame);
    // A connection the controller takes at once is made without a word; one that takes
    // longer is waited for as any wait for the bench: the window repaints, Esc ends it.
    session_.client().setConnectWaiter([this](const std::function<bool()>& settled, int timeoutMs) {
        QElapsedTimer quick;
        quick.start();
        while (!settled() && quick.elapsed() < kQuietConnectMs && quick.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        if (settled())
            return ConnectEnd::Settled;
        const int left = std::max(1, timeoutMs - int(quick.elapsed()));
        switch (dialogs_.waitForBench(QStringLiteral("Verbindung zu %1 wird aufgebaut … "
                                                     "(Esc bricht ab)")
                                          .arg(host_),
                                      left, settled)) {
        case WaitEnd::Arrived:
            return ConnectEnd::Settled;
        case WaitEnd::Cancelled:
            return ConnectEnd::Cancelled;
        case WaitEnd::TimedOut:
            break;
        }
        return ConnectEnd::TimedOut;
    });
}

void Workbench::takeFrame(QChar letter, const QString& body) {
    if (letter != u'U')
        return;
    if (awaitingFrame_) {
        awaitedFrame_ = body;
        return;
    }
    if (lateReadBack_) {
        lateReadBack_ = false;
        emit logLine(QStringLiteral("Rücklesen: späte Antwort der SPS nicht übernommen"));
        return;
    }
    guarded([&] { loadCorrectionReply(body); });
}

void Workbench::setDeviceId(const QString& text) {
    state_.device.geraeteId = text;
}

void Workbench::setDeviceType(const QString& text) {
    state_.device.geraetetyp = text;
}

void Workbench::send2SPS(const QString& text) {
    lateReadBack_ = false; // the next reply is this command's
    session_.send2SPS(host_, text);
}

void Workbench::connectOrDisconnect() {
    guarded([this] {
        if (session_.isOpen()) {
            session_.close();
            return;
        }
        emit busyStarted();
        session_.connectChecked(host_);
        emit busyEnded();
    });
}

void Workbench::changeHost(const QString& host) {
    host_ = host;
    guarded([this] { session_.changeHost(host_); });
}

void Workbench::readCorrectionData(Trigger trigger) {
    guarded([&] {
        send2SPS(command::kReadCorrectionData);
        if (trigger == Trigger::Button)
            emit busyStarted();
    });
}

void Workbench::sendTime() {
    guarded([this] {
        emit busyStarted();
        send2SPS(command::setTime(clock_.now()));
    });
}

void Workbench::sendZ() {
    guarded([this] {
        emit busyStarted();
        send2SPS(command::kZ);
    });
}

void Workbench::sendA() {
    guarded([this] {
        emit busyStarted();
        send2SPS(command::kA);
    });
}

void Workbench::setPowerSupplies(int choice) {
    guarded([&] {
        if (!checkDeviceId(state_.device.geraeteId, dialogs_))
            return;
        if (!askAuthorisation(AuthorisationForm::Compact, QString(), PasswordRule::EA,
                              state_.device, dialogs_))
            return;
        send2SPS(command::powerSupplies(choice));
    });
}

void Workbench::sendFreeText(const QString& text) {
    guarded([&] { session_.sendFreeText(text); });
}

void Workbench::loadCorrectionReply(QStringView body) {
    if (body.isEmpty())
        return;
    CorrectionReply reply = parseCorrectionReply(body, state_.regional);
    if (const auto* error = std::get_if<ControllerError>(&reply)) {
        dialogs_.showMessage(QStringLiteral("Fehler ") + error->text);
    } else if (const auto* unusable = std::get_if<UnusableCount>(&reply)) {
        // A record whose point count the table and the store cannot take as a whole changes
        // nothing, device fields included: they would name a device whose points are not
        // shown, and the next upload would send that device another one's coefficients.
        dialogs_.showErrorBox(QStringLiteral("Die SPS meldet eine ungültige Anzahl Messstellen: "
                                             "'%1' (möglich sind 0 bis %2)")
                                  .arg(unusable->countText)
                                  .arg(CoefficientStore::kSlots));
    } else if (auto* record = std::get_if<ControllerRecord>(&reply)) {
        std::optional<ControllerPoints> points;
        if (!record->brokeOff) {
            points = ControllerPoints{trimBlanksAndControls(record->geraeteId).toString(), {}};
            for (const ControllerRecord::Point& point : record->points)
                points->names << trimBlanksAndControls(point.name).toString();
        }
        applyRecord(state_, std::move(*record));
        if (points)
            lastReply_ = std::move(points);
    }
}

QString Workbench::differenceFromController(const FileRecord& file) const {
    if (!lastReply_ || lastReply_->deviceId != trimBlanksAndControls(file.geraeteId))
        return {};
    const QStringList& names = lastReply_->names;
    const qsizetype count = qsizetype(file.points.size());
    for (qsizetype k = 0; k < std::min(count, names.size()); ++k) {
        const QString name = trimBlanksAndControls(file.points[std::size_t(k)].value(0)).toString();
        if (name != names[k])
            return QStringLiteral("Messstelle %1 heißt in der SPS „%2“, in der Datei „%3“.")
                .arg(k + 1)
                .arg(names[k], name);
    }
    if (count != names.size())
        return QStringLiteral("Die SPS meldet %1 Messstellen, die Datei enthält %2.")
            .arg(names.size())
            .arg(count);
    return {};
}

void Workbench::recalculatePoint(int n) {
    guarded([&] { computeMS(state_, n); });
}

void Workbench::recalculateAll(Trigger trigger) {
    guarded([&] {
        if (trigger == Trigger::Button) {
            namePassedOver(computeAll(state_, state_.anzMS));
            return;
        }
        const int count = strToInt(state_.device.anzMS);
        const PassedOver passedOver = computeAll(state_, count);
        emit pointChosen(int(std::min<qint64>(qint64(count) + 1, INT_MAX)));
        namePassedOver(passedOver);
    });
}

void Workbench::resetTable() {
    guarded([this] { abgleich::resetTable(state_); });
}

void Workbench::upload() {
    guarded([this] { uploadCorrectionData(); });
}

void Workbench::importRecord() {
    guarded([this] {
        const auto path = dialogs_.chooseFileToOpen(state_.configdir, kCsvFilter);
        if (!path || !QFileInfo::exists(*path))
            return;
        const QStringList lines = readTextLines(*path, kMaxCsvBytes);
        // A file of the device last read whose points differ from the controller's would
        // send its points to the wrong places.
        const QString difference = differenceFromController(parseCsvRecord(lines, state_.regional));
        if (!difference.isEmpty() &&
            !dialogs_.askYesNo(QStringLiteral("Die Datei passt nicht zu den Messstellen, die die "
                                              "SPS für Gerät %1 zuletzt gemeldet hat: %2 "
                                              "Trotzdem übernehmen")
                                   .arg(lastReply_->deviceId, difference)))
            return;
        importCSVLines(state_, lines);
    });
}

void Workbench::finishReports() {
    reports_.finishAll();
}

void Workbench::close() {
    guarded([this] {
        reports_.finishAll();
        session_.close();
        state_.dList.clear();
        state_.table.setRows(0);
    });
}

} // namespace abgleich
