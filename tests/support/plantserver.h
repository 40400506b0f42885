// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/recordsdb.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <optional>

namespace abgleich::test {

// The PostgreSQL server on 127.0.0.1 that the test command starts for the plant tests
// (scripts/pg-test-server.sh; its port, folder and password file in the environment), with
// a database of this test's own, dropped at the end.
class PlantServer {
public:
    static std::optional<int> port() {
        bool ok = false;
        const int p = qEnvironmentVariableIntValue("ABGLEICH_TEST_PG_PORT", &ok);
        return ok && p > 0 ? std::optional(p) : std::nullopt;
    }

    PlantServer()
        : name_(QStringLiteral("abgleich_t_") +
                QUuid::createUuid().toString(QUuid::Id128).left(16)) {
        ok_ = admin(QStringLiteral("CREATE DATABASE ") + name_);
    }
    ~PlantServer() { admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_)); }
    PlantServer(const PlantServer&) = delete;
    PlantServer& operator=(const PlantServer&) = delete;

    bool ok() const { return ok_; }
    ServerSettings settings() const {
        return {QStringLiteral("127.0.0.1"), port().value_or(0), name_, QStringLiteral("abgleich")};
    }

    // A number the test's database answers (a count).
    qint64 number(const QString& sql) const {
        qint64 result = -1;
        withConnection(name_, [&](QSqlDatabase& db) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next())
                result = q.value(0).toLongLong();
        });
        return result;
    }

    // Stops and starts the server on its port (an outage).
    static bool halt() { return control(QStringLiteral("halt")); }
    static bool resume() { return control(QStringLiteral("resume")); }

private:
    template <typename Use> static void withConnection(const QString& database, Use use) {
        const QString connection = QStringLiteral("plant-test-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(QStringLiteral("127.0.0.1"));
            db.setPort(port().value_or(0));
            db.setDatabaseName(database);
            db.setUserName(QStringLiteral("abgleich"));
            db.setConnectOptions(QStringLiteral("connect_timeout=5"));
            if (db.open())
                use(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    static bool admin(const QString& sql) {
        bool done = false;
        withConnection(QStringLiteral("postgres"),
                       [&](QSqlDatabase& db) { done = QSqlQuery(db).exec(sql); });
        return done;
    }
    static bool control(const QString& command) {
        QProcess script;
        script.start(QStringLiteral("bash"),
                     {QStringLiteral(ABGLEICH_SOURCE_DIR "/scripts/pg-test-server.sh"), command,
                      qEnvironmentVariable("ABGLEICH_TEST_PG_DIR")});
        return script.waitForFinished(60000) && script.exitStatus() == QProcess::NormalExit &&
               script.exitCode() == 0;
    }

    QString name_;
    bool ok_ = false;
};

} // namespace abgleich::test
