// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "workflow/plantsync.h"

#include "core/errors.h"

#include <QFileInfo>
#include <QTimer>

namespace abgleich {

// Lives on the sync thread: both database connections are opened and used there only.
class PlantSyncWorker : public QObject {
    Q_OBJECT

public:
    explicit PlantSyncWorker(QString localPath) : localPath_(std::move(localPath)) {}

    void start() {
        timer_ = new QTimer(this);
        timer_->setSingleShot(true);
        connect(timer_, &QTimer::timeout, this, &PlantSyncWorker::run);
    }
    void configure(const ServerSettings& server) {
        if (server == settings_)
            return;
        settings_ = server;
        server_.reset();
        run();
    }
    void setRetryInterval(int ms) { retryMs_ = std::max(50, ms); }
    void stop() {
        timer_->stop();
        server_.reset();
        local_.reset();
    }

    void run() {
        timer_->stop();
        if (!settings_.configured()) {
            server_.reset();
            emit state(0, false, false);
            return;
        }
        int pending = 0;
        try {
            // The bench's file is created by its first upload, not here.
            if (!local_ && QFileInfo::exists(localPath_))
                local_ = RecordsDb::openLocal(localPath_);
            pending = local_ ? local_->pendingCount() : 0;
            if (!server_)
                server_ = RecordsDb::openServer(settings_);
            while (local_ && pending > 0) {
                local_->pushTo(*server_, 50);
                pending = local_->pendingCount();
            }
            emit state(pending, true, true);
        } catch (const AppError&) {
            // Both afresh next time: either may have been the one that failed.
            server_.reset();
            local_.reset();
            emit state(pending, false, true);
        }
        if (pending > 0 || !server_)
            timer_->start(retryMs_);
    }

signals:
    void state(int pending, bool reachable, bool configured);

private:
    QString localPath_;
    ServerSettings settings_;
    std::unique_ptr<RecordsDb> local_;
    std::unique_ptr<RecordsDb> server_;
    QTimer* timer_ = nullptr;
    int retryMs_ = PlantSync::kDefaultRetryMs;
};

namespace {
const QString kPlantSection = QStringLiteral("ZentraleDatenbank");
} // namespace

PlantSettings plantSettingsIn(const IniFile& file) {
    const auto text = [&file](const char* key) {
        return file.value(kPlantSection, QString::fromLatin1(key)).value_or(QString()).trimmed();
    };
    PlantSettings settings;
    settings.server.host = text("Host");
    bool ok = false;
    const int port = text("Port").toInt(&ok);
    if (ok && port > 0 && port <= 65535)
        settings.server.port = port;
    settings.server.database = text("Datenbank");
    settings.server.user = text("Benutzer");
    settings.benchName = text("Pruefstand");
    return settings;
}

void storePlantSettings(IniFile& file, const PlantSettings& settings) {
    file.setValue(kPlantSection, QStringLiteral("Host"), settings.server.host);
    file.setValue(kPlantSection, QStringLiteral("Port"), QString::number(settings.server.port));
    file.setValue(kPlantSection, QStringLiteral("Datenbank"), settings.server.database);
    file.setValue(kPlantSection, QStringLiteral("Benutzer"), settings.server.user);
    file.setValue(kPlantSection, QStringLiteral("Pruefstand"), settings.benchName);
}

QString plantStatusText(bool configured, bool reachable, int pending) {
    if (!configured)
        return {};
    QString text = QStringLiteral("Zentrale Datenbank: ");
    if (!reachable)
        text += QStringLiteral("nicht erreichbar");
    else if (pending == 0)
        text += QStringLiteral("verbunden");
    if (pending > 0)
        text += (reachable ? QString() : QStringLiteral(", ")) +
                QStringLiteral("%1 ausstehend").arg(pending);
    return text;
}

PlantSync::PlantSync(QString localPath, QObject* parent)
    : QObject(parent), worker_(new PlantSyncWorker(std::move(localPath))) {
    thread_.setObjectName(QStringLiteral("Zentrale Datenbank"));
    worker_->moveToThread(&thread_);
    connect(worker_, &PlantSyncWorker::state, this, &PlantSync::takeStatus);
    thread_.start();
    QMetaObject::invokeMethod(worker_, &PlantSyncWorker::start, Qt::QueuedConnection);
}

PlantSync::~PlantSync() {
    // The connections close on the thread that opened them.
    QMetaObject::invokeMethod(worker_, &PlantSyncWorker::stop, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    delete worker_;
}

void PlantSync::configure(const ServerSettings& server) {
    server_ = server;
    QMetaObject::invokeMethod(
        worker_, [w = worker_, server] { w->configure(server); }, Qt::QueuedConnection);
}

void PlantSync::pushSoon() {
    QMetaObject::invokeMethod(worker_, &PlantSyncWorker::run, Qt::QueuedConnection);
}

void PlantSync::setRetryInterval(int ms) {
    QMetaObject::invokeMethod(
        worker_, [w = worker_, ms] { w->setRetryInterval(ms); }, Qt::QueuedConnection);
}

void PlantSync::takeStatus(int pending, bool reachable, bool configured) {
    const QString text = plantStatusText(configured, reachable, pending);
    if (text == status_)
        return;
    status_ = text;
    emit statusChanged(status_);
}

} // namespace abgleich

#include "plantsync.moc"
