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
