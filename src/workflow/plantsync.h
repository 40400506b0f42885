// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/inifile.h"
#include "records/recordsdb.h"
#include "workflow/operatordialogs.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <memory>

namespace abgleich {

class PlantSyncWorker;

// Sends the bench's records to the plant's server in the background: after each upload and
// then at intervals while uploads wait, so that a server that was away gets them when it is
// back. The window never waits for the server; it learns the state from statusChanged.
class PlantSync : public QObject {
    Q_OBJECT

public:
    // localPath: the bench's records database file.
    explicit PlantSync(QString localPath, QObject* parent = nullptr);
    ~PlantSync() override;

    // No server (empty host): nothing is sent and the status is empty.
    void configure(const ServerSettings& server);
    const ServerSettings& server() const { return server_; }
    // Tries at once (after an upload).
    void pushSoon();
    // How long to wait before trying again while uploads wait (ms).
    void setRetryInterval(int ms);

    // "Zentrale Datenbank: verbunden / N ausstehend / nicht erreichbar"; empty without a
    // server.
    const QString& status() const { return status_; }

    static constexpr int kDefaultRetryMs = 10000;

signals:
    void statusChanged(const QString& text);

private:
    void takeStatus(int pending, bool reachable, bool configured);

    ServerSettings server_;
    QThread thread_;
    PlantSyncWorker* worker_;
    QString status_;
};

// The plant server's settings and this bench's name in the settings file
// ("[ZentraleDatenbank]" Host, Port, Datenbank, Benutzer, Pruefstand); never a password.
PlantSettings plantSettingsIn(const IniFile& file);
void storePlantSettings(IniFile& file, const PlantSettings& settings);

// The status line's text for a state of the queue.
QString plantStatusText(bool configured, bool reachable, int pending);

} // namespace abgleich
