// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The plant's records on a real PostgreSQL server: two benches pushing into one database,
// the plant view over both, an outage during an upload, and the history's check against
// the server's copy.
#include "support/plantserver.h"
#include "support/qtprint.h"
#include "workflow/records_fixture.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::LoopbackBench;
using test::PlantServer;

namespace {

QDateTime at(int day, int hour) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, 0, 0));
}

// A bench whose records go to the test's server.
void joinPlant(LoopbackBench& b, const PlantServer& server, const QString& name) {
    b.bench.plantSync().setRetryInterval(200);
    b.bench.setPlantServer(server.settings(), name);
}

bool settles(LoopbackBench& b, const QString& status) {
    return QTest::qWaitFor([&] { return b.bench.plantSync().status() == status; }, 30000);
}

class Plant : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PlantServer::port())
            GTEST_SKIP() << "no test server (scripts/pg-test-server.sh start)";
        server = std::make_unique<PlantServer>();
        ASSERT_TRUE(server->ok());
    }
    std::unique_ptr<PlantServer> server;
};

} // namespace

TEST_F(Plant, TwoBenchesWriteToOneServerAndThePlantViewListsBoth) {
    LoopbackBench first;
    LoopbackBench second;
    joinPlant(first, *server, u"Prüfstand 1"_s);
    joinPlant(second, *server, u"Prüfstand 2"_s);
    test::fillRecordsDevice(first.state());
    test::fillRecordsDevice(second.state());
    test::uploadAt(first, at(10, 8), u"erster Stand"_s, 0.25);
    test::uploadAt(second, at(11, 9), u"zweiter Stand"_s, 0.5);
    second.state().device.geraeteId = u"4712"_s;
    test::uploadAt(second, at(11, 10), u"anderes Gerät"_s, 0.75);
    ASSERT_EQ(second.sent().size(), 2);
    ASSERT_TRUE(settles(first, u"Zentrale Datenbank: verbunden"_s))
        << first.bench.plantSync().status().toStdString();
    ASSERT_TRUE(settles(second, u"Zentrale Datenbank: verbunden"_s));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return server->number(u"SELECT COUNT(*) FROM uploads"_s) == 3; }, 30000));
    EXPECT_EQ(server->number(u"SELECT COUNT(*) FROM points"_s), 6);

    // The plant view from the first bench lists every device of both, and opens the second
    // bench's history of 4711.
    first.dialogs.plantOpens.push_back(1);
    first.bench.showPlant();
    ASSERT_TRUE(first.dialogs.plantError.isEmpty()) << first.dialogs.plantError.toStdString();
    const std::vector<PlantDevice>& devices = first.dialogs.plantDevices;
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].deviceId, u"4711"_s);
    EXPECT_EQ(devices[0].benchName, u"Prüfstand 1"_s);
    EXPECT_EQ(devices[1].deviceId, u"4711"_s);
    EXPECT_EQ(devices[1].benchName, u"Prüfstand 2"_s);
    EXPECT_EQ(devices[1].last, at(11, 9));
    EXPECT_EQ(devices[2].deviceId, u"4712"_s);
    EXPECT_EQ(devices[2].uploads, 1);
    ASSERT_TRUE(first.dialogs.shownHistory);
    EXPECT_EQ(first.dialogs.shownHistory->benchName, u"Prüfstand 2"_s);
    ASSERT_EQ(first.dialogs.shownHistory->uploads.size(), 1u);
    EXPECT_EQ(first.dialogs.shownHistory->uploads[0].comment, u"zweiter Stand"_s);
    ASSERT_EQ(first.dialogs.shownRecords.size(), 1u);
    EXPECT_EQ(first.dialogs.shownRecords[0].points[0].a1000, 500);
}

// The server goes away before an upload: the upload completes on the bench, the row waits
// in the queue, and it reaches the server once, when the server is back.
TEST_F(Plant, AnOutageDuringAnUploadLosesAndDoublesNothing) {
    LoopbackBench b;
    joinPlant(b, *server, u"Prüfstand 1"_s);
    test::fillRecordsDevice(b.state());
    test::uploadAt(b, at(10, 8), u"vorher"_s, 0.25);
    ASSERT_TRUE(settles(b, u"Zentrale Datenbank: verbunden"_s));

    ASSERT_TRUE(PlantServer::halt());
    test::uploadAt(b, at(10, 9), u"während der Störung"_s, 0.5);
    EXPECT_EQ(b.sent().size(), 2);
    // Only the two authorisations: no error for the operator.
    EXPECT_EQ(b.dialogs.shown.size(), 2u);
    ASSERT_TRUE(settles(b, u"Zentrale Datenbank: nicht erreichbar, 1 ausstehend"_s))
        << b.bench.plantSync().status().toStdString();
    RecordsDb& local = b.bench.records();
    EXPECT_EQ(local.history(local.benchId(), u"4711"_s).uploads.size(), 2u);

    ASSERT_TRUE(PlantServer::resume());
    ASSERT_TRUE(settles(b, u"Zentrale Datenbank: verbunden"_s))
        << b.bench.plantSync().status().toStdString();
    test::uploadAt(b, at(10, 10), u"nachher"_s, 0.75);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return server->number(u"SELECT COUNT(*) FROM uploads"_s) == 3; }, 30000));
    EXPECT_TRUE(settles(b, u"Zentrale Datenbank: verbunden"_s));
    EXPECT_EQ(server->number(u"SELECT COUNT(DISTINCT local_id) FROM uploads"_s), 3);
    EXPECT_EQ(server->number(u"SELECT COUNT(*) FROM points"_s), 6);
    EXPECT_EQ(local.pendingCount(), 0);
}

// Someone who edits the bench's file and works out its chain again passes the local check;
// the server's copy gives the change away.
TEST_F(Plant, TheHistoryCheckComparesTheLocalChainWithTheServer) {
    LoopbackBench b;
    joinPlant(b, *server, u"Prüfstand 1"_s);
    test::fillRecordsDevice(b.state());
    test::uploadAt(b, at(10, 8), u"echt"_s, 0.25);
    ASSERT_TRUE(settles(b, u"Zentrale Datenbank: verbunden"_s));
    b.dialogs.checkHistory = true;
    b.bench.showHistory();
    EXPECT_TRUE(
        b.dialogs.checkResult.contains(u"Die zentrale Datenbank hält dieselben 1 Einträge."_s))
        << b.dialogs.checkResult.toStdString();

    RecordsDb& local = b.bench.records();
    UploadRow forged = local.upload(1);
    forged.comment = u"geschönt"_s;
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"forge"_s);
        raw.setDatabaseName(recordsFilePath(b.state().configdir));
        ASSERT_TRUE(raw.open());
        QSqlQuery q(raw);
        q.prepare(u"UPDATE uploads SET comment = ?, hash = ? WHERE id = 1"_s);
        q.addBindValue(forged.comment);
        q.addBindValue(uploadHash(forged));
        ASSERT_TRUE(q.exec());
        raw.close();
    }
    QSqlDatabase::removeDatabase(u"forge"_s);
    EXPECT_TRUE(local.verify(local.benchId(), u"4711"_s, QString()).ok);
    b.bench.showHistory();
    EXPECT_TRUE(b.dialogs.checkResult.contains(
        u"Abweichung zur zentralen Datenbank: Eintrag Nr. 1 wurde lokal verändert"_s))
        << b.dialogs.checkResult.toStdString();
}

TEST_F(Plant, AServerThatCannotBeReachedIsSaidInThePlantView) {
    LoopbackBench b;
    ServerSettings away = server->settings();
    away.port = 1; // nothing listens there
    b.bench.setPlantServer(away, QString());
    b.bench.showPlant();
    EXPECT_TRUE(b.dialogs.plantDevices.empty());
    EXPECT_TRUE(b.dialogs.plantError.startsWith(u"Die zentrale Datenbank '"_s))
        << b.dialogs.plantError.toStdString();
    EXPECT_TRUE(
        b.dialogs.plantError.endsWith(u"ist nicht erreichbar: Der Server ist nicht erreichbar"_s))
        << b.dialogs.plantError.toStdString();
}
