// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/inifile.h"
#include "support/qtprint.h"
#include "support/restricteduser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

class Ini : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QByteArray bytes() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
    QString path = dir_.filePath(u"config/Abgleich.ini"_s);
};

} // namespace

TEST_F(Ini, ReadingRules) {
    QDir().mkpath(dir_.filePath(u"config"_s));
    write("Vorspann=1\r\n"
          "; Kommentar\r\n"
          "  [ FoAbgleich ]  \r\n"
          "  Btn_T_Visible = Nein  \r\n"
          "\r\n"
          "ED_IP_Text=10=2\n"
          "nur Text\r"
          "[foabgleich]\r\n"
          "Btn_T_Visible=TRUE\r\n"
          "[Andere]\r\n"
          "x=\r\n");
    IniFile ini(path);
    ini.load();
    EXPECT_EQ(ini.value(u"FOABGLEICH"_s, u"btn_t_visible"_s), u"Nein"_s);
    EXPECT_EQ(ini.value(u"FoAbgleich"_s, u"ED_IP_Text"_s), u"10=2"_s);
    EXPECT_EQ(ini.value(u"FoAbgleich"_s, u"nur Text"_s), u""_s);
    EXPECT_EQ(ini.value(u"FoAbgleich"_s, u"Vorspann"_s), std::nullopt);
    EXPECT_EQ(ini.value(u"Andere"_s, u"x"_s), u""_s);
    EXPECT_EQ(ini.value(u"Andere"_s, u"y"_s), std::nullopt);

    ini.setValue(u"foabgleich"_s, u"BTN_T_VISIBLE"_s, u"TRUE"_s); // keeps its place
    ini.setValue(u"FoAbgleich"_s, u"Neu"_s, u"1"_s);              // goes to the end
    ini.setValue(u"Abgleich"_s, u"k"_s, u"v"_s);                  // a new section at the end
    ASSERT_TRUE(ini.save());
    // Comments, lines before the first section and the repeated section are gone.
    EXPECT_EQ(bytes(), QByteArray("[FoAbgleich]\r\n"
                                  "Btn_T_Visible=TRUE\r\n"
                                  "ED_IP_Text=10=2\r\n"
                                  "nur Text\r\n"
                                  "Neu=1\r\n"
                                  "\r\n"
                                  "[Andere]\r\n"
                                  "x=\r\n"
                                  "\r\n"
                                  "[Abgleich]\r\n"
                                  "k=v\r\n"
                                  "\r\n"));
}

TEST_F(Ini, EncodingIsKept) {
    QDir().mkpath(dir_.filePath(u"config"_s));
    struct Case {
        const char* name;
        QByteArray file;
        QByteArray startsWith;
    };
    const Case cases[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF[FoAbgleich]\r\nLabel1_Caption=Gr\xC3\xBC\xC3\x9F\r\n",
         "\xEF\xBB\xBF[FoAbgleich]\r\nLabel1_Caption=Gr\xC3\xBC\xC3\x9F\r\nLabel2_Caption="
         "\xC3\xA4\r\n"},
        {"UTF-16 LE", QByteArray("\xFF\xFE[\0F\0o\0]\0", 10),
         QByteArray("\xFF\xFE[\0F\0o\0]\0\r\0\n\0", 14)},
        {"Windows-1252", "[FoAbgleich]\r\nLabel1_Caption=Gr\xFC\xDF\r\n",
         "[FoAbgleich]\r\nLabel1_Caption=Gr\xFC\xDF\r\nLabel2_Caption=\xE4\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.file);
        IniFile ini(path);
        ini.load();
        ini.setValue(u"FoAbgleich"_s, u"Label2_Caption"_s, u"ä"_s);
        ASSERT_TRUE(ini.save());
        EXPECT_TRUE(bytes().startsWith(c.startsWith)) << bytes().toHex().toStdString();
    }
    // A new file: Windows-1252 without a mark, its directory created.
    QDir(dir_.filePath(u"config"_s)).removeRecursively();
    IniFile fresh(path);
    fresh.load();
    fresh.setValue(u"FoAbgleich"_s, u"Label1_Caption"_s, u"°"_s);
    ASSERT_TRUE(fresh.save());
    EXPECT_EQ(bytes(), QByteArray("[FoAbgleich]\r\nLabel1_Caption=\xB0\r\n\r\n"));
}

TEST_F(Ini, WriteProtectedFileKeepsItsBytes) {
    QDir().mkpath(dir_.filePath(u"config"_s));
    const QByteArray original = "; nur lesen\r\n[FoAbgleich]\r\nFormVersion=0\r\n";
    write(original);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    IniFile ini(path);
    ini.load();
    EXPECT_TRUE(ini.isWriteProtected());
    ini.setValue(u"FoAbgleich"_s, u"FormVersion"_s, u"1"_s);
    EXPECT_FALSE(ini.save());
    EXPECT_EQ(bytes(), original);
    EXPECT_EQ(ini.value(u"FoAbgleich"_s, u"FormVersion"_s), u"1"_s); // still applied
}

TEST_F(Ini, FailedWriteIsSilentAndChangesOnDiskAreReread) {
    // A file where the directory should be: nothing can be written, nothing is raised.
    QDir().mkpath(dir_.filePath(u"config"_s));
    write("");
    IniFile blocked(dir_.filePath(u"config/Abgleich.ini/x.ini"_s));
    blocked.load();
    blocked.setValue(u"FoAbgleich"_s, u"a"_s, u"1"_s);
    EXPECT_FALSE(blocked.save());

    write("[FoAbgleich]\r\na=1\r\n");
    IniFile ini(path);
    ini.load();
    QTest::qWait(20);
    write("[FoAbgleich]\r\na=2\r\n");
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime);
    file.close();
    EXPECT_EQ(ini.value(u"FoAbgleich"_s, u"a"_s), u"1"_s);
    ini.reloadIfChanged();
    EXPECT_EQ(ini.value(u"FoAbgleich"_s, u"a"_s), u"2"_s);
}

TEST_F(Ini, FileThatWasNotReadIsNeverWritten) {
    QDir().mkpath(dir_.filePath(u"config"_s));
    // Over the read limit: a valid file padded with comment lines to 5 MiB.
    QByteArray oversized = "[FoAbgleich]\r\nFormVersion=0\r\n";
    while (oversized.size() < 5 * 1024 * 1024)
        oversized += "; " + QByteArray(1022, 'x') + "\r\n";
    write(oversized);
    {
        IniFile ini(path);
        ini.load();
        EXPECT_EQ(ini.value(u"FoAbgleich"_s, u"FormVersion"_s), std::nullopt);
        ini.setValue(u"FoAbgleich"_s, u"FormVersion"_s, u"0"_s);
        EXPECT_FALSE(ini.save());
        EXPECT_EQ(bytes(), oversized);
    }

    // Unreadable for the user who runs the tool, but writable, in a writable directory.
    const QByteArray original = "[FoAbgleich]\r\nBtn_ResetTab_Visible=ja\r\n";
    write(original);
    const test::RestrictedUser user = test::restrictedUser();
    for (const QString& p : {dir_.path(), dir_.filePath(u"config"_s), path})
        ASSERT_EQ(chown(QFile::encodeName(p).constData(), user.uid, user.gid), 0);
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    const auto saved = test::runAsRestrictedUser([this] {
        IniFile ini(path);
        ini.load();
        ini.setValue(u"FoAbgleich"_s, u"FormVersion"_s, u"0"_s);
        return ini.save() ? 1 : 0;
    });
    if (!saved)
        GTEST_SKIP() << "no user to whom file permissions apply";
    EXPECT_EQ(*saved, 0);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(bytes(), original);
}
