// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// What the workbench makes of the controller's replies: the bytes go through the bench
// session (decoded, buffered, one frame taken), and a "U" frame is loaded into the working
// state or shown to the operator.
#include "bench-sim/benchdevice.h"
#include "bench/benchsession.h"
#include "core/ansicodec.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "support/qtprint.h"
#include "support/scriptedecho.h"
#include "support/testpeer.h"
#include "support/testworkbench.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::ScriptedDialogs;

namespace {

struct Point {
    QString name;
    QString unit;
    QString a;
    QString b;
};

// The body of a correction-data record as the controller sends it, without "U" and "#".
QString recordBody(const QString& id, const QString& date, const QString& count,
                   const std::vector<Point>& points) {
    QString body = id + u",ABC12,1.7,"_s + date + u',' + count;
    for (const Point& p : points)
        body += u',' + p.name + u',' + p.unit + u',' + p.a + u',' + p.b;
    return body;
}

const std::vector<Point> kThreePoints = {
    {u"Temp 1"_s, u"°C"_s, u"439"_s, u"1005"_s},
    {u"Offset 1"_s, u"bar"_s, u"-500"_s, u"77"_s},
    {u"Druck"_s, u"bar"_s, u"0"_s, u"1000"_s},
};

const QString kRecord =
    u"U"_s + recordBody(u"4711"_s, u"220315143005"_s, u"3"_s, kThreePoints) + u",#"_s;

// A workbench whose bench session is handed the controller's bytes directly.
struct Receiving {
    explicit Receiving(const QString& workingDir)
        : session(std::make_unique<test::ScriptedEcho>()),
          bench(WorkbenchServices{dialogs, session, clock}, RegionalSettings::german(),
                workingDir) {
        bench.changeHost(u"127.0.0.1"_s);
    }

    void receive(const QString& chunk) { session.receive(encodeAnsi(chunk)); }
    WorkingState& state() { return bench.workingState(); }
    QString buffer() const { return session.receiveBuffer().empfangen; }

    ScriptedDialogs dialogs;
    test::FixedClock clock;
    BenchSession session;
    test::TestWorkbench bench;
};

QString tmpDir() {
    static QTemporaryDir dir;
    return dir.path();
}

class ReplyLoading : public ::testing::Test {
protected:
    ReplyLoading() : state(r.state()), dialogs(r.dialogs) {}

    // One chunk arrives at the session.
    void receive(const QString& chunk) { r.receive(chunk); }

    Receiving r{tmpDir()};
    WorkingState& state;
    ScriptedDialogs& dialogs;
};

} // namespace

TEST_F(ReplyLoading, Framing) {
    struct Case {
        const char* name;
        QChar awaited;
        std::vector<QString> chunks;
        QString bufferAfter;
        QChar awaitedAfter;
        bool recordTaken;
    };
    const QString tail = u"Z"_s;
    const Case cases[] = {
        {"complete reply", u'U', {kRecord}, u""_s, QChar(0), true},
        {"one leading hash dropped", u'U', {u"#"_s + kRecord}, u""_s, QChar(0), true},
        {"two leading hashes wait for the next chunk",
         u'U',
         {u"##"_s + kRecord},
         u"#"_s + kRecord,
         u'U',
         false},
        {"two leading hashes, then a chunk", u'U', {u"##"_s + kRecord, tail}, tail, QChar(0), true},
        {"question mark discards everything",
         u'U',
         {kRecord.left(10) + u'?' + kRecord.mid(10)},
         u""_s,
         u'U',
         false},
        {"nothing awaited", QChar(0), {kRecord}, kRecord, QChar(0), false},
        {"lower-case letter is no command", u'u', {kRecord}, kRecord, u'u', false},
        {"split before the hash", u'U', {kRecord.left(30)}, kRecord.left(30), u'U', false},
        {"split, then the rest", u'U', {kRecord.left(30), kRecord.mid(30)}, u""_s, QChar(0), true},
        {"foreign frame before", u'U', {u"Z#"_s + kRecord}, u""_s, QChar(0), true},
        {"junk before the letter", u'U', {u"xy"_s + kRecord}, u""_s, QChar(0), true},
        {"foreign frame, then a partial reply", u'U', {u"Z#U12"_s}, u"U12"_s, u'U', false},
        {"hash but no letter", u'U', {u"Z1#"_s}, u"Z1#"_s, u'U', false},
        {"hash but no letter, then the reply", u'U', {u"Z1#"_s, kRecord}, u""_s, QChar(0), true},
        {"empty frame", u'U', {u"U#"_s}, u""_s, QChar(0), false},
        {"other letter", u'T', {u"T220315#"_s}, u""_s, QChar(0), false},
        {"text after the frame stays", u'U', {kRecord + u"T1#"_s}, u"T1#"_s, QChar(0), true},
        {"one frame per call", u'U', {kRecord + kRecord}, kRecord, QChar(0), true},
        {"body starting with F", u'U', {u"UF123#"_s}, u""_s, QChar(0), false},
        {"question mark in a later chunk",
         u'U',
         {kRecord.left(10), u"?"_s + kRecord.mid(10)},
         u""_s,
         u'U',
         false},
        {"hash in a later chunk, then the letter",
         u'U',
         {u"Z1"_s, u"#x"_s, kRecord},
         u""_s,
         QChar(0),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Receiving fresh(tmpDir());
        fresh.session.awaitReply(c.awaited);
        for (const QString& chunk : c.chunks)
            fresh.receive(chunk);
        EXPECT_EQ(fresh.buffer(), c.bufferAfter);
        EXPECT_EQ(fresh.session.expectedReply(), c.awaitedAfter);
        EXPECT_EQ(fresh.state().device.geraeteId, c.recordTaken ? u"4711"_s : u""_s);
        EXPECT_EQ(fresh.state().table.rows(), c.recordTaken ? 4 : 256);
        EXPECT_TRUE(fresh.dialogs.shown.empty());
    }
}

// However the text is cut into pieces, the same frame is taken and the same text stays.
TEST_F(ReplyLoading, EveryCutGivesTheSameFrame) {
    const QString wire = u"Z1#xy"_s + kRecord + u"T1#"_s;
    const auto feed = [&](const std::vector<QString>& chunks) {
        Receiving fresh(tmpDir());
        fresh.session.awaitReply(u'U');
        for (const QString& chunk : chunks)
            fresh.receive(chunk);
        EXPECT_TRUE(fresh.dialogs.shown.empty());
        return std::pair(fresh.state().device.geraeteId, fresh.buffer());
    };
    const auto whole = feed({wire});
    ASSERT_EQ(whole, std::pair(u"4711"_s, u"T1#"_s));
    for (qsizetype i = 0; i <= wire.size(); ++i) {
        EXPECT_EQ(feed({wire.left(i), wire.mid(i)}), whole) << i;
        for (qsizetype j = i; j <= wire.size(); j += 5)
            EXPECT_EQ(feed({wire.left(i), wire.mid(i, j - i), wire.mid(j)}), whole) << i << j;
    }
}

TEST_F(ReplyLoading, ForeignFrameInBufferIsTakenByTheNextMatchingCommand) {
    // A "U" reply that arrived while nothing was awaited stays until "U" is awaited again.
    receive(kRecord);
    EXPECT_EQ(r.buffer(), kRecord);
    r.session.awaitReply(u'U');
    receive(u""_s);
    EXPECT_EQ(state.device.geraeteId, u"4711"_s);
    EXPECT_TRUE(r.buffer().isEmpty());
}

TEST_F(ReplyLoading, RecordFillsDeviceFieldsTableAndStore) {
    state.coef.setB(2, 7.0);
    state.table.setDiffColumnsHidden(true);
    state.chart.title = u"Messwertabweichungen für Messstelle 9 "_s;
    state.chart.uncorrected = {{10, 1}};
    state.chart.zeroLine = {{0, 0}, {250, 0}};
    QSignalSpy cleared(&state, &WorkingState::chartChanged);
    QSignalSpy device(&state, &WorkingState::deviceFieldsChanged);
    r.session.awaitReply(u'U');
    receive(kRecord);

    EXPECT_EQ(state.device.geraeteId, u"4711"_s);
    EXPECT_EQ(state.device.geraetetyp, u"ABC12"_s);
    EXPECT_EQ(state.device.spsVersion, u"1.7"_s);
    EXPECT_EQ(state.device.anzMS, u"3"_s);
    EXPECT_EQ(state.device.lastCorrection,
              LastCorrection::known(QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5))));
    EXPECT_EQ(state.anzMS, 3);
    EXPECT_EQ(state.msUpperBound, 3);
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_TRUE(state.chart.uncorrected.empty());
    EXPECT_TRUE(state.chart.zeroLine.empty());
    EXPECT_EQ(state.chart.title, u"Messwertabweichungen für Messstelle 9 "_s);
    EXPECT_EQ(device.count(), 1);
    EXPECT_FALSE(state.table.diffColumnsHidden());
    EXPECT_EQ(state.table.batchDepth(), 0);

    const PointTable& t = state.table;
    ASSERT_EQ(t.rows(), 4);
    EXPECT_EQ(t.cellText(0, 0), u" Ms "_s);
    EXPECT_EQ(t.cellText(0, 3), u"3 "_s);
    const QString expected[3][7] = {
        // name, unit, a SPS, b SPS, a NEU, b NEU
        {u" Temp 1 "_s, u" °C "_s, u"0,439"_s, u"1,005"_s, u"0,439"_s, u"1,005"_s},
        {u" Offset 1 "_s, u" bar "_s, u"-0,5"_s, u""_s, u"-0,5"_s, u""_s},
        {u" Druck "_s, u" bar "_s, u"0"_s, u"1"_s, u"0"_s, u"1"_s},
    };
    for (int k = 1; k <= 3; ++k) {
        const QString* row = expected[k - 1];
        EXPECT_EQ(t.cellText(1, k), row[0]);
        EXPECT_EQ(t.cellText(2, k), row[1]);
        EXPECT_EQ(t.cellText(3, k), row[2]);
        EXPECT_EQ(t.cellText(4, k), row[3]);
        EXPECT_EQ(t.cellText(17, k), row[4]);
        EXPECT_EQ(t.cellText(18, k), row[5]);
        for (int c = 5; c <= 16; ++c)
            EXPECT_TRUE(t.cellText(c, k).isEmpty()) << k << " " << c;
    }
    EXPECT_EQ(state.coef.a(1), 0.439);
    EXPECT_EQ(state.coef.b(1), 1.005);
    EXPECT_EQ(state.coef.a(2), -0.5);
    EXPECT_EQ(state.coef.b(2), 7.0); // an offset point has no gain: the slot keeps its value
    EXPECT_EQ(state.coef.b(3), 1.0);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ReplyLoading, OffsetPointNames) {
    const std::pair<QString, bool> names[] = {
        {u"Offset 1"_s, true}, {u"OF_2"_s, true}, {u"of"_s, true},   {u"oF"_s, true},
        {u"o"_s, false},       {u""_s, false},    {u" of"_s, false}, {u"Druck"_s, false},
    };
    for (const auto& [name, offset] : names) {
        SCOPED_TRACE(name.toStdString());
        state.coef.setB(1, 3.0);
        r.session.awaitReply(u'U');
        receive(u"U"_s + recordBody(u"1"_s, u""_s, u"1"_s, {{name, u"V"_s, u"10"_s, u"2000"_s}}) +
                u'#');
        EXPECT_EQ(state.table.cellText(4, 1), offset ? u""_s : u"2"_s);
        EXPECT_EQ(state.table.cellText(18, 1), offset ? u""_s : u"2"_s);
        EXPECT_EQ(state.coef.b(1), offset ? 3.0 : 2.0);
        EXPECT_EQ(state.table.cellText(3, 1), u"0,01"_s);
    }
}

TEST_F(ReplyLoading, DateAndTimeOfTheLastCorrection) {
    const LastCorrection earlier =
        LastCorrection::known(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
    const std::pair<QString, LastCorrection> cases[] = {
        {u"220315143005"_s, LastCorrection::known(QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5)))},
        {u"000000000000"_s, LastCorrection::unknown()},
        {u"221332000000"_s, LastCorrection::unknown()},
        {u"22031514300x"_s, LastCorrection::unknown()},
        {u"2203151430"_s, earlier},
        {u""_s, earlier},
        {u"2203151430055"_s, earlier},
    };
    for (const auto& [field, result] : cases) {
        SCOPED_TRACE(field.toStdString());
        state.device.lastCorrection = earlier;
        r.session.awaitReply(u'U');
        receive(u"U"_s + recordBody(u"1"_s, field, u"0"_s, {}) + u'#');
        EXPECT_EQ(state.device.lastCorrection, result);
        EXPECT_EQ(state.device.anzMS, u"0"_s); // the record is read on after a bad date
    }
}

TEST_F(ReplyLoading, RecordWithoutPoints) {
    QSignalSpy cleared(&state, &WorkingState::chartChanged);
    state.msUpperBound = 5;
    r.session.awaitReply(u'U');
    receive(u"U"_s + recordBody(u"1"_s, u""_s, u"0"_s, {}) + u'#');
    EXPECT_EQ(state.table.rows(), 1);
    EXPECT_EQ(state.table.cellText(1, 0), u" Name "_s);
    EXPECT_EQ(state.msUpperBound, 0);
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_EQ(cleared.count(), 1);
}

TEST_F(ReplyLoading, CountThatCannotBeUsedChangesNothingAndIsNamed) {
    for (const QString& count : {u"x"_s, u""_s, u"3 "_s, u"-1"_s, u"257"_s, u"99999999999"_s}) {
        SCOPED_TRACE(count.toStdString());
        Receiving freshBench(tmpDir());
        WorkingState& fresh = freshBench.state();
        fresh.device.geraeteId = u"4711"_s;
        fresh.device.geraetetyp = u"ZYK12"_s;
        fresh.device.anzMS = u"9"_s;
        const DeviceFields before = fresh.device;
        fresh.table.setCellText(5, 1, u"1,5"_s);
        fresh.anzMS = 9;
        QSignalSpy cleared(&fresh, &WorkingState::chartChanged);
        const ScriptedDialogs& shown = freshBench.dialogs;
        freshBench.session.awaitReply(u'U');
        freshBench.receive(u"U"_s + recordBody(u"42"_s, u"220315143005"_s, count, kThreePoints) +
                           u'#');

        EXPECT_EQ(fresh.device, before);
        EXPECT_EQ(fresh.anzMS, 9);
        EXPECT_EQ(fresh.msUpperBound, 0);
        EXPECT_EQ(fresh.table.rows(), 256);
        EXPECT_EQ(fresh.table.cellText(5, 1), u"1,5"_s);
        EXPECT_EQ(fresh.coef.a(1), 0.0);
        EXPECT_EQ(cleared.count(), 0);
        EXPECT_TRUE(freshBench.buffer().isEmpty()); // the frame is consumed
        EXPECT_EQ(freshBench.session.expectedReply(), QChar(0));
        ASSERT_EQ(shown.shown.size(), 1u);
        EXPECT_EQ(shown.shown[0],
                  (ScriptedDialogs::Shown{ScriptedDialogs::Kind::ErrorBox,
                                          u"Die SPS meldet eine ungültige Anzahl Messstellen: '"_s +
                                              count + u"' (möglich sind 0 bis 256)"_s}));
    }
}

TEST_F(ReplyLoading, FieldThatFailsEndsTheRecordWithTheBatchClosed) {
    struct Case {
        const char* name;
        std::vector<Point> points;
        double a2; // coefA[2] afterwards
    };
    const Case cases[] = {
        {"b of row 2 missing",
         {{u"P1"_s, u"V"_s, u"100"_s, u"2000"_s},
          {u"P2"_s, u"V"_s, u"200"_s, u""_s},
          {u"P3"_s, u"V"_s, u"300"_s, u"3000"_s}},
         0.2},
        {"a of row 2 with a point",
         {{u"P1"_s, u"V"_s, u"100"_s, u"2000"_s},
          {u"P2"_s, u"V"_s, u"2.5"_s, u"1000"_s},
          {u"P3"_s, u"V"_s, u"300"_s, u"3000"_s}},
         9.0},
        {"a of row 2 not a number",
         {{u"P1"_s, u"V"_s, u"100"_s, u"2000"_s},
          {u"P2"_s, u"V"_s, u"abc"_s, u"1000"_s},
          {u"P3"_s, u"V"_s, u"300"_s, u"3000"_s}},
         9.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Receiving freshBench(tmpDir());
        WorkingState& fresh = freshBench.state();
        fresh.coef.setA(2, 9.0);
        fresh.coef.setB(2, 8.0);
        fresh.coef.setA(3, 7.0);
        fresh.chart.corrected = {{10, 1}};
        QSignalSpy cleared(&fresh, &WorkingState::chartChanged);
        QSignalSpy refresh(&fresh.table, &PointTable::dataChanged);
        freshBench.session.awaitReply(u'U');
        freshBench.receive(u"U"_s + recordBody(u"1"_s, u""_s, u"3"_s, c.points) + u'#');

        const PointTable& t = fresh.table;
        EXPECT_EQ(t.batchDepth(), 0);
        EXPECT_GE(refresh.count(), 1);
        EXPECT_EQ(cleared.count(), 0);
        EXPECT_EQ(fresh.chart.corrected.size(), 1u);
        EXPECT_TRUE(freshBench.buffer().isEmpty());
        EXPECT_EQ(fresh.anzMS, 3);
        ASSERT_EQ(t.rows(), 4);
        EXPECT_EQ(t.cellText(3, 1), u"0,1"_s);
        EXPECT_EQ(t.cellText(18, 1), u"2"_s);
        EXPECT_EQ(t.cellText(1, 2), u" P2 "_s);
        EXPECT_EQ(t.cellText(2, 2), u" V "_s);
        EXPECT_EQ(t.cellText(3, 2), u""_s);
        EXPECT_EQ(t.cellText(17, 2), u""_s);
        EXPECT_EQ(t.cellText(0, 3), u"3 "_s);
        EXPECT_EQ(t.cellText(1, 3), u""_s);
        EXPECT_EQ(fresh.coef.a(1), 0.1);
        EXPECT_EQ(fresh.coef.b(1), 2.0);
        EXPECT_EQ(fresh.coef.a(2), c.a2);
        EXPECT_EQ(fresh.coef.b(2), 8.0);
        EXPECT_EQ(fresh.coef.a(3), 7.0);
        EXPECT_TRUE(freshBench.dialogs.shown.empty());
    }
}

TEST_F(ReplyLoading, MissingNameAndUnitGiveTwoBlanks) {
    r.session.awaitReply(u'U');
    receive(u"U1,T,V,,1"_s + u"#"_s); // the point's fields are missing altogether
    EXPECT_EQ(state.table.cellText(1, 1), u"  "_s);
    EXPECT_EQ(state.table.cellText(2, 1), u"  "_s);
    EXPECT_EQ(state.table.cellText(3, 1), u""_s);
    EXPECT_EQ(state.coef.a(1), 0.0);
}

TEST_F(ReplyLoading, ErrorRecordGoesToTheOperator) {
    state.device.geraeteId = u"4711"_s;
    r.session.awaitReply(u'U');
    receive(u"UEKeine Daten vorhanden#"_s);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0], (ScriptedDialogs::Shown{ScriptedDialogs::Kind::Message,
                                                        u"Fehler Keine Daten vorhanden"_s}));
    EXPECT_EQ(state.device.geraeteId, u"4711"_s);
    EXPECT_EQ(state.table.rows(), 256);
    EXPECT_EQ(r.session.expectedReply(), QChar(0));
}

TEST_F(ReplyLoading, BufferThatNeverEndsIsBounded) {
    r.session.awaitReply(u'U');
    receive(u"U"_s + QString(kMaxReceiveBuffer - 1, u'x'));
    EXPECT_EQ(r.buffer().size(), kMaxReceiveBuffer);
    receive(u"x"_s);
    EXPECT_TRUE(r.buffer().isEmpty());
    EXPECT_EQ(r.session.expectedReply(), u'U');
    // The link goes on working afterwards.
    receive(kRecord);
    EXPECT_EQ(state.device.geraeteId, u"4711"_s);
}

namespace {

const QByteArray kSimRecord = encodeAnsi(sim::correctionReply(sim::defaultDevice()));
const QByteArray kTwoPoints =
    encodeAnsi(u"U4711,ZYK12,317,240611093012,2,Temp 1,°C,439,1005,Druck,bar,-500,1000,#"_s);
const QString kHost = u"127.0.0.1"_s;

// The bench session against a peer on 127.0.0.1 with the workbench attached, as the
// program wires them: what arrives in chunks over the link fills the working state.
class SessionLoading : public ::testing::Test {
protected:
    SessionLoading()
        : session(std::make_unique<test::ScriptedEcho>()),
          bench(WorkbenchServices{dialogs, session, clock}, RegionalSettings::german(), dir.path()),
          state(bench.workingState()) {
        EXPECT_TRUE(peer.listen());
        session.client().setPort(peer.port());
        bench.changeHost(kHost);
        QObject::connect(&session, &BenchSession::logLine,
                         [this](const QString& line) { log << line; });
        QObject::connect(&session, &BenchSession::connectionChanged,
                         [this](bool open) { log << (open ? u"[open]"_s : u"[closed]"_s); });
    }
    ~SessionLoading() override { EXPECT_TRUE(dialogs.shown.empty()); }

    QString buffer() const { return session.receiveBuffer().empfangen; }
    bool waitForLog(const QString& line, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return log.contains(line); }, timeoutMs);
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    test::FixedClock clock;
    BenchSession session;
    test::TestPeer peer;
    test::TestWorkbench bench;
    WorkingState& state;
    QStringList log;
};

} // namespace

TEST_F(SessionLoading, CommandOpensSendsLogsAndAwaits) {
    session.send2SPS(kHost, u"U;"_s);
    EXPECT_EQ(log, (QStringList{u"Connected to 127.0.0.1"_s, u"[open]"_s, u"-> U;"_s}));
    EXPECT_EQ(session.expectedReply(), u'U');
    ASSERT_TRUE(peer.waitForReceived(2));
    EXPECT_EQ(peer.received(), QByteArray("U;"));

    peer.sendInPieces(kSimRecord, 97);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 40; }, 5000));
    EXPECT_EQ(state.table.cellText(1, 1), u" Temperatur Öl 1 "_s);
    EXPECT_EQ(session.expectedReply(), QChar(0));
    EXPECT_TRUE(buffer().isEmpty());
    EXPECT_TRUE(log.at(3).startsWith(u"<- U4711,ZYK12,317,"_s));
}

TEST_F(SessionLoading, SeveralRepliesInOneChunk) {
    session.send2SPS(kHost, u"Z;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    EXPECT_EQ(session.expectedReply(), u'Z');
    // The "Z" reply and a "U" record that nobody asked for yet, in one chunk.
    peer.send("Z#" + kSimRecord);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.expectedReply() == QChar(0); }, 5000));
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_EQ(buffer(), decodeAnsi(kSimRecord));
    // The next "U;" drops it: only the answer to that request is loaded.
    session.send2SPS(kHost, u"U;"_s);
    EXPECT_TRUE(buffer().isEmpty());
    peer.send("Z#");
    ASSERT_TRUE(QTest::qWaitFor([&] { return buffer() == u"Z#"_s; }, 5000));
    EXPECT_EQ(state.anzMS, 0);
    peer.send(kSimRecord);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 40; }, 5000));
}

TEST_F(SessionLoading, ReplyOneByteAtATime) {
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.sendInPieces(kTwoPoints, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 2; }, 10000));
    EXPECT_EQ(state.table.cellText(Col::Name, 2), u" Druck "_s);
    EXPECT_TRUE(buffer().isEmpty());
}

TEST_F(SessionLoading, PeerClosingInTheMiddleOfAReply) {
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(kTwoPoints.left(30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !buffer().isEmpty(); }, 5000));
    peer.closeClient();
    ASSERT_TRUE(waitForLog(u"Disconnected"_s));
    EXPECT_TRUE(buffer().isEmpty()); // the cut-off reply is gone
    EXPECT_EQ(session.expectedReply(), u'U');
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.isOpen(); }, 5000));
    ASSERT_TRUE(peer.waitForClient());
    peer.clearReceived();
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    // The new buffer is searched from its start: a "?" among its first characters still
    // discards the reply around it.
    peer.send("x?" + kTwoPoints);
    ASSERT_TRUE(waitForLog(u"<- x?"_s + decodeAnsi(kTwoPoints)));
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_TRUE(buffer().isEmpty());
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 2; }, 5000));
    EXPECT_EQ(state.table.cellText(Col::ASps, 1), u"0,439"_s);
    EXPECT_EQ(state.coef.b(2), 1.0);
}

TEST_F(SessionLoading, QuestionMarkInAPointName) {
    session.send2SPS(kHost, u"U;"_s);
    ASSERT_TRUE(peer.waitForReceived(2));
    peer.send(encodeAnsi(u"U4711,ZYK12,317,240611093012,1,Temp?1,°C,439,1005,#"_s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.size() >= 4; }, 5000));
    EXPECT_TRUE(buffer().isEmpty());
    EXPECT_EQ(state.anzMS, 0);
    EXPECT_EQ(session.expectedReply(), u'U');
    peer.send(kTwoPoints);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state.anzMS == 2; }, 5000));
}
