// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "scripted/scripteddialogs.h"
#include "support/qtprint.h"
#include "support/windowcontrols.h"
#include "support/windowservices.h"
#include "support/workdir.h"
#include "ui/anchoredpanel.h"
#include "ui/formstorage.h"
#include "ui/mainwindow.h"
#include "ui/pointgrid.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;
using test::ScriptedDialogs;
using test::ui;

namespace {

// Windows started one after the other in the same working directory, as on a bench PC.
class Settings : public ::testing::Test {
protected:
    QString iniPath() const { return workDir_.filePath(u"config/Abgleich.ini"_s); }
    void writeIni(const QByteArray& keys) {
        QDir().mkpath(workDir_.filePath(u"config"_s));
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[FoAbgleich]\r\n" + keys);
    }
    QByteArray iniBytes() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString iniValue(const QString& key) const {
        for (const QByteArray& line : iniBytes().split('\n')) {
            const QString text = QString::fromLatin1(line).trimmed();
            if (text.startsWith(key + u'='))
                return text.mid(key.size() + 1);
        }
        return u"<missing>"_s;
    }

    std::unique_ptr<TFoAbgleich> start() {
        benches.push_back(services.workbench(dialogs));
        auto window = std::make_unique<TFoAbgleich>(*benches.back());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    test::TemporaryWorkingDirectory workDir_;
    ScriptedDialogs dialogs;
    test::TestServices services;
    std::vector<std::unique_ptr<test::TestWorkbench>> benches; // one for each window started
};

} // namespace

TEST_F(Settings, FirstRunCreatesTheFileThenFillsItInOrder) {
    auto window = start();
    EXPECT_TRUE(QFile::exists(iniPath()));
    EXPECT_TRUE(iniBytes().isEmpty());
    EXPECT_EQ(ui(*window).DGrid->columnWidth(2), 60); // the default widths 40,120,60
    window->close();

    QStringList keys;
    const QList<QByteArray> lines = iniBytes().split('\n');
    ASSERT_EQ(lines.value(0), QByteArray("[FoAbgleich]\r"));
    for (const QByteArray& line : lines.mid(1)) {
        if (line.trimmed().isEmpty())
            continue;
        EXPECT_TRUE(line.endsWith('\r'));
        keys << QString::fromLatin1(line.left(line.indexOf('=')));
    }
    QStringList expected = {u"FormVersion"_s,
                            u"ShowCmd"_s,
                            u"Flags"_s,
                            u"PixelsPerInch"_s,
                            u"MinMaxPos(1920x1080)"_s,
                            u"MinMaxPos"_s,
                            u"NormPos(1920x1080)"_s,
                            u"NormPos"_s};
    for (const FormStorage::Property& p : FormStorage::properties())
        expected << QLatin1String(p.control) + u'_' + QLatin1String(p.name);
    expected << u"Dgrid.columnwidths"_s;
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(keys.size(), 8 + 69 + 1);

    EXPECT_EQ(iniValue(u"FormVersion"_s), u"0"_s);
    EXPECT_EQ(iniValue(u"ShowCmd"_s), u"1"_s);
    EXPECT_EQ(iniValue(u"PixelsPerInch"_s), u"96"_s);
    EXPECT_EQ(iniValue(u"MinMaxPos"_s), u"-1,-1,-1,-1"_s);
    EXPECT_EQ(iniValue(u"Btn_T_Visible"_s), u"TRUE"_s);
    EXPECT_EQ(iniValue(u"Btn_ResetTab_Visible"_s), u"FALSE"_s);
    EXPECT_EQ(iniValue(u"ED_IP_Text"_s), u"192.168.100.10"_s);
    EXPECT_EQ(iniValue(u"Gridpanel_Width"_s), u"1077"_s);
    EXPECT_EQ(iniValue(u"Dgrid.columnwidths"_s), u"40,120,60,"_s);
    const QRect g = window->normalGeometry();
    EXPECT_EQ(iniValue(u"NormPos"_s), u"%1,%2,%3,%4"_s.arg(g.left())
                                          .arg(g.top())
                                          .arg(g.left() + g.width())
                                          .arg(g.top() + g.height()));
}

TEST_F(Settings, RoundTrip) {
    {
        auto w = start();
        w->setGeometry(100, 50, 1600, 900);
        ui(*w).Btn_ResetTab->show();
        ui(*w).Btn_T->hide();
        ui(*w).Btn_A->setText(u"A!"_s);
        ui(*w).Label3->setText(u"Messstellen"_s);
        ui(*w).Btn_Z->setProperty("CommandLinkHint", u"Nullen"_s);
        ui(*w).Operation_Panel->setControlLeft(ui(*w).Btn_ResetTab, 700);
        ui(*w).Log_Panel->setControlTop(ui(*w).Btn_A, 3);
        ui(*w).ED_IP->setText(u"127.0.0.1"_s);
        ui(*w).Splitter1->setSizes({900, ui(*w).Splitter1->width() - 905});
        ui(*w).DGrid->setColumnWidth(0, 50);
        ui(*w).DGrid->setColumnWidth(1, 130);
        ui(*w).DGrid->setColumnWidth(2, 70);
        QApplication::processEvents();
        w->close();
    }
    auto w = start();
    EXPECT_EQ(w->geometry(), QRect(100, 50, 1600, 900));
    EXPECT_FALSE(ui(*w).Btn_ResetTab->isHidden());
    EXPECT_TRUE(ui(*w).Btn_T->isHidden());
    EXPECT_EQ(ui(*w).Btn_A->text(), u"A!"_s);
    EXPECT_EQ(ui(*w).Label3->text(), u"Messstellen"_s);
    EXPECT_EQ(ui(*w).Btn_Z->property("CommandLinkHint").toString(), u"Nullen"_s);
    EXPECT_EQ(ui(*w).Btn_ResetTab->x(), 700);
    EXPECT_EQ(ui(*w).Btn_A->y(), 3);
    EXPECT_EQ(ui(*w).ED_IP->text(), u"127.0.0.1"_s);
    EXPECT_EQ(services.session.client().host(),
              u"127.0.0.1"_s); // the link follows the stored address
    EXPECT_EQ(ui(*w).Gridpanel->width(), 900);
    EXPECT_EQ(ui(*w).DGrid->columnWidth(0), 50);
    EXPECT_EQ(ui(*w).DGrid->columnWidth(1), 130);
    EXPECT_EQ(ui(*w).DGrid->columnWidth(2), 70);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Settings, StoredValuesAsOperatorsWriteThem) {
    struct Case {
        QByteArray line;
        bool resetShown;
        bool tShown;
        int aTop;
    };
    const int designTop = 6;
    const Case cases[] = {
        {"Btn_ResetTab_Visible=ja\r\nBtn_T_Visible=Nein\r\n", true, false, designTop},
        {"Btn_ResetTab_Visible=TRUE\r\nBtn_T_Visible=n\r\n", true, false, designTop},
        {"Btn_ResetTab_Visible=Y\r\nBtn_T_Visible=0\r\n", true, false, designTop},
        {"Btn_ResetTab_Visible=yes\r\nBtn_T_Visible=\r\n", true, false, designTop},
        {"Btn_ResetTab_Visible=2\r\nBtn_T_Visible=vielleicht\r\n", true, true, designTop},
        {"Btn_A_Top=\r\n", false, true, 0},
        {"Btn_A_Top=abc\r\n", false, true, designTop},
        {"FormVersion=-1\r\nBtn_ResetTab_Visible=ja\r\nBtn_A_Top=1\r\nDgrid.columnwidths=1,2,3,"
         "\r\n",
         false, true, designTop},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        writeIni(c.line);
        auto w = start();
        EXPECT_EQ(!ui(*w).Btn_ResetTab->isHidden(), c.resetShown);
        EXPECT_EQ(!ui(*w).Btn_T->isHidden(), c.tShown);
        EXPECT_EQ(ui(*w).Btn_A->y(), c.aTop);
        w->close();
        EXPECT_EQ(iniValue(u"FormVersion"_s), u"0"_s);
        QFile::remove(iniPath());
    }
}

// Values the settings file holds out of range take their defaults, and only those are written
// back: a column width outside 10 to 1000 px, a grid panel narrower than 100 px or wider
// than the screen, a window larger than the screen's work area.
TEST_F(Settings, ValuesOutOfRangeTakeTheirDefaults) {
    const struct {
        QByteArray keys;
        QString widths;
        bool defaultPanel; // a wide column widens the panel the window gives the table
    } cases[] = {
        {"Dgrid.columnwidths=40,-5,99999,\r\nGridpanel_Width=50\r\nNormPos=0,0,5000,3000\r\n",
         u"40,120,60,"_s, true},
        {"Dgrid.columnwidths=9,1001,1000,\r\nGridpanel_Width=99999\r\nNormPos=0,0,1921,900\r\n",
         u"40,120,1000,"_s, false},
    };
    int defaultPanelWidth = 0;
    {
        auto w = start();
        defaultPanelWidth = ui(*w).Gridpanel->width();
        w->close();
        QFile::remove(iniPath());
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys.toStdString());
        writeIni(c.keys);
        auto w = start();
        EXPECT_EQ(ui(*w).DGrid->columnWidth(1), 120);
        if (c.defaultPanel) {
            EXPECT_EQ(ui(*w).Gridpanel->width(), defaultPanelWidth);
        }
        EXPECT_LT(ui(*w).Gridpanel->width(), 1920);
        EXPECT_LE(w->frameGeometry().width(), 1920);
        EXPECT_LE(w->frameGeometry().height(), 1080);
        w->close();
        EXPECT_EQ(iniValue(u"Dgrid.columnwidths"_s), c.widths);
        QFile::remove(iniPath());
    }
}

// A stored "trennen" on the connect button says what clicking it does not do while the link is
// closed: it gives way to "Prüfstand verbinden"; a plant's own caption stays.
TEST_F(Settings, ConnectCaptionFollowsTheClosedLink) {
    const std::pair<QByteArray, QString> cases[] = {
        {"Btn_Connect_Caption=trennen\r\n", u"Prüfstand verbinden"_s},
        {"Btn_Connect_Caption=Verbinden Halle 3\r\n", u"Verbinden Halle 3"_s},
    };
    for (const auto& [keys, caption] : cases) {
        SCOPED_TRACE(keys.toStdString());
        writeIni(keys);
        auto w = start();
        EXPECT_EQ(ui(*w).Btn_Connect->text(), caption);
        w->close();
        QFile::remove(iniPath());
    }
}

TEST_F(Settings, PlacementRules) {
    // Another desktop's keys stay; this desktop's are added; the plain ones follow.
    writeIni("MinMaxPos(1024x768)=1,2,3,4\r\nNormPos(1024x768)=0,0,1600,740\r\n"
             "NormPos=10,20,1610,760\r\n");
    {
        auto w = start();
        EXPECT_EQ(w->geometry(),
                  QRect(10, 20, 1600, 740)); // the plain key, no suffix for 1920x1080
        w->close();
    }
    EXPECT_EQ(iniValue(u"MinMaxPos(1024x768)"_s), u"1,2,3,4"_s);
    EXPECT_EQ(iniValue(u"NormPos(1024x768)"_s), u"0,0,1600,740"_s);
    EXPECT_EQ(iniValue(u"NormPos(1920x1080)"_s), u"10,20,1610,760"_s);
    EXPECT_EQ(iniValue(u"NormPos"_s), u"10,20,1610,760"_s);

    // Off every monitor: not applied, the window is centred.
    writeIni("NormPos=3000,3000,4600,3900\r\n");
    {
        auto w = start();
        EXPECT_LT(w->geometry().right(), 1920);
        EXPECT_NEAR(w->geometry().center().x(), 960, 2); // centred on the 1920-pixel screen
        w->close();
    }

    // Another pixel density: the rectangle is not applied, the window state is.
    writeIni("PixelsPerInch=120\r\nNormPos=10,20,1610,760\r\nShowCmd=3\r\n");
    auto w = start();
    EXPECT_NE(w->normalGeometry().topLeft(), QPoint(10, 20));
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
}

TEST_F(Settings, FlagsAreKeptOnlyWithAnAppliedPlacement) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"another pixel density", "PixelsPerInch=120\r\nNormPos=10,20,1610,760\r\n"},
        {"off every monitor", "NormPos=3000,3000,4600,3900\r\n"},
        {"no placement", ""},
        {"applied", "NormPos=10,20,1610,760\r\n"},
    };
    for (const auto& [name, placement] : cases) {
        SCOPED_TRACE(name);
        const bool applied = std::string(name) == "applied";
        writeIni("Flags=2\r\n" + placement);
        auto w = start();
        EXPECT_EQ(w->geometry() == QRect(10, 20, 1600, 740), applied);
        w->close();
        w.reset();
        EXPECT_EQ(iniValue(u"Flags"_s), applied ? u"2"_s : u"0"_s);
    }
}

TEST_F(Settings, WriteProtectedFileKeepsItsBytes) {
    writeIni("Btn_ResetTab_Visible=ja\r\n; Anmerkung\r\n");
    const QByteArray original = iniBytes();
    QFile::setPermissions(iniPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    auto w = start();
    EXPECT_FALSE(ui(*w).Btn_ResetTab->isHidden()); // its values are applied all the same
    w->close();
    w.reset();
    EXPECT_EQ(iniBytes(), original);
}

TEST_F(Settings, ColumnWidths) {
    const double halves[] = {40.5, 41.5, 60};
    EXPECT_EQ(FormStorage::columnWidthsText(halves), u"40,42,60,"_s);

    // A bad part: the error box after everything else, the widths before it set.
    writeIni("Dgrid.columnwidths=44,x,60,\r\nBtn_ResetTab_Visible=ja\r\n");
    auto w = start();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0], (ScriptedDialogs::Shown{ScriptedDialogs::Kind::ErrorBox,
                                                        u"'x' ist kein gültiger Integerwert."_s}));
    EXPECT_EQ(ui(*w).DGrid->columnWidth(0), 44);
    EXPECT_EQ(ui(*w).DGrid->columnWidth(1), 120);
    EXPECT_FALSE(ui(*w).Btn_ResetTab->isHidden());

    // Fewer than three parts: the error names the empty part.
    dialogs.shown.clear();
    w->close();
    writeIni("Dgrid.columnwidths=44,45\r\n");
    auto again = start();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, u"'' ist kein gültiger Integerwert."_s);
    EXPECT_EQ(ui(*again).DGrid->columnWidth(1), 45);
}
