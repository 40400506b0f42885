// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "support/qtprint.h"
#include "workflow/loopbackbench.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::LoopbackBench;

// The import's file dialog opens in the configuration directory; cancelled, or given a file
// that does not exist, it changes nothing; given a record, the record is loaded.
TEST(Workbench, ImportRecordStartsInTheConfigurationDirectory) {
    LoopbackBench b;
    const WorkingState& state = b.state();
    b.dialogs.files = {std::nullopt, b.dir.filePath(u"missing.csv"_s)};
    b.bench.importRecord(); // cancelled
    b.bench.importRecord(); // a file that does not exist
    ASSERT_EQ(b.dialogs.shown.size(), 2u);
    EXPECT_EQ(b.dialogs.shown[0].text, state.configdir + u"|CSV-Dateien (*.csv)"_s);
    EXPECT_EQ(state.table.rows(), 256);
    EXPECT_TRUE(state.dList.isEmpty());

    const QString path = b.dir.filePath(u"import.csv"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(u"15.03.2022 14:30:05;4711;ABC12;Kommentar\r\n"
               "Messstelle; Einheit; a; b;\r\n"
               "TA_1;°C;-0,5;1\r\n"
               "TB_1;°C;-0,6;0,998\r\n"
               "\r\n"_s.toUtf8());
    file.close();
    b.dialogs.files = {path};
    b.bench.importRecord();
    EXPECT_EQ(state.anzMS, 2);
    EXPECT_EQ(b.dialogs.shown.size(), 3u); // the dialog, and no error
}

// A record file of the device the controller last listed, whose points differ from that
// list, is taken only when the operator says so; the question names the first difference.
// A file of another device is taken without a question.
TEST(Workbench, ImportOfAFileThatDiffersFromTheControllerAsksFirst) {
    LoopbackBench b;
    const WorkingState& state = b.state();
    b.session.awaitReply(u'U');
    b.session.receive(encodeAnsi(u"U4711,ABC12,1.0,220315143005,3,A,V,0,1000,B,V,0,1000,"
                                 "C,V,0,1000,#"_s));
    ASSERT_EQ(state.anzMS, 3);
    const auto write = [&](const QString& name, const QString& text) {
        const QString path = b.dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        return path;
    };
    const QString heading = u"Messstelle; Einheit; a; b;\r\n"_s;
    const QString shifted = write(u"shifted.csv"_s, u"15.03.2022 14:30:05;4711;ABC12;x\r\n"_s +
                                                        heading + u"A;V;1;1\r\nX;V;2;1\r\n"_s);
    const QString longer =
        write(u"longer.csv"_s, u"15.03.2022 14:30:05;4711;ABC12;x\r\n"_s + heading +
                                   u"A;V;1;1\r\nB;V;2;1\r\nC;V;3;1\r\nD;V;4;1\r\n"_s);
    const QString other = write(u"other.csv"_s, u"15.03.2022 14:30:05;4712;ABC12;x\r\n"_s +
                                                    heading + u"Q;V;1;1\r\n"_s);

    b.dialogs.files = {shifted, longer, longer, other};
    b.dialogs.answers = {false, false, true};
    b.bench.importRecord();
    ASSERT_EQ(b.dialogs.shown.back().kind, test::ScriptedDialogs::Kind::Question);
    EXPECT_EQ(b.dialogs.shown.back().text,
              u"Die Datei passt nicht zu den Messstellen, die die SPS für Gerät 4711 zuletzt "
              "gemeldet hat: Messstelle 2 heißt in der SPS „B“, in der Datei „X“. Trotzdem "
              "übernehmen"_s);
    EXPECT_EQ(state.table.cellText(Col::ANeu, 1), u"0"_s); // nothing taken
    b.bench.importRecord();
    EXPECT_TRUE(b.dialogs.shown.back().text.contains(
        u"Die SPS meldet 3 Messstellen, die Datei enthält 4."_s));
    EXPECT_EQ(state.anzMS, 3);
    b.bench.importRecord(); // answered yes
    EXPECT_EQ(state.anzMS, 4);
    const std::size_t questions = b.dialogs.shown.size();
    b.bench.importRecord(); // another device: no question
    EXPECT_EQ(state.device.geraeteId, u"4712"_s);
    EXPECT_EQ(b.dialogs.shown.size(), questions + 1); // the file dialog alone
}
