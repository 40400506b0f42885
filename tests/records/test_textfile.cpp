// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/errors.h"
#include "records/inifile.h"
#include "records/textfile.h"
#include "support/qtprint.h"
#include "support/restricteduser.h"
#include "support/smalldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

class ReplacedFile : public ::testing::Test {
protected:
    ReplacedFile() { QDir().mkpath(config_); }

    QString write(const QString& name, const QByteArray& bytes, mode_t mode) {
        const QString path = config_ + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        EXPECT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
        return path;
    }
    static QByteArray bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The permission bits, in octal as chmod takes them.
    static QString modeOf(const QString& path) {
        struct stat info {};
        if (stat(QFile::encodeName(path).constData(), &info) != 0)
            return u"missing"_s;
        return octal(info.st_mode & 07777);
    }
    static QString octal(mode_t mode) { return QString::number(mode, 8); }

    QTemporaryDir dir_;
    QString config_ = dir_.filePath(u"config"_s);
};

} // namespace

// A directory that takes no temporary file: the file is not written in place either (a failure
// part-way would leave it emptied); it stays as it was.
TEST_F(ReplacedFile, ReadOnlyDirectoryWithWritableFilesKeepsTheOldFile) {
    struct Case {
        const char* name;
        QString file;
        mode_t mode;
        std::function<bool(const QString& path)> replace;
    };
    const Case cases[] = {
        {"correction-data record", u"Abgleich_4711.csv"_s, 0664,
         [](const QString& path) {
             try {
                 replaceTextFile(path, u"neu;\r\n"_s);
                 return true;
             } catch (const AppError&) {
                 return false;
             }
         }},
        {"settings file", u"Abgleich.ini"_s, 0640,
         [](const QString& path) {
             IniFile ini(path);
             ini.load();
             ini.setValue(u"FoAbgleich"_s, u"FormVersion"_s, u"0"_s);
             return ini.save();
         }},
    };
    const test::RestrictedUser user = test::restrictedUser();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path =
            write(c.file, "[FoAbgleich]\r\n; alter Inhalt, alter Inhalt\r\n", c.mode);
        for (const QString& p : {dir_.path(), config_, path})
            ASSERT_EQ(chown(QFile::encodeName(p).constData(), user.uid, user.gid), 0);
        ASSERT_EQ(chmod(QFile::encodeName(config_).constData(), 0555), 0);
        const auto written = test::runAsRestrictedUser([&] { return c.replace(path) ? 0 : 1; });
        ASSERT_EQ(chmod(QFile::encodeName(config_).constData(), 0755), 0);
        if (!written)
            GTEST_SKIP() << "no user to whom file permissions apply";
        EXPECT_EQ(*written, 1);
        EXPECT_EQ(bytes(path), QByteArray("[FoAbgleich]\r\n; alter Inhalt, alter Inhalt\r\n"));
        EXPECT_EQ(modeOf(path), octal(c.mode));
    }
}

TEST_F(ReplacedFile, KeepsItsPermissionBits) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a file without the owner's write permission is written by root only";
    for (const mode_t mode : {mode_t(0444), mode_t(0440), mode_t(0004), mode_t(0604)}) {
        SCOPED_TRACE(octal(mode).toStdString());
        const QString path = write(u"Abgleich_4711.csv"_s, "alt\r\n", mode);
        replaceTextFile(path, u"neu\r\n"_s);
        EXPECT_EQ(bytes(path), QByteArray("neu\r\n"));
        EXPECT_EQ(modeOf(path), octal(mode));
    }
}

TEST_F(ReplacedFile, NewFileNeverTakesTheNameOfAnEarlierOne) {
    const QString stem = config_ + u"/Abgleichprotokoll_4711_20220315-143005"_s;
    const QString first = write(u"Abgleichprotokoll_4711_20220315-143005.pdf"_s, "alt", 0644);
    EXPECT_EQ(writeNewFile(stem, u".pdf"_s, "zweiter"), stem + u"_2.pdf"_s);
    EXPECT_EQ(writeNewFile(stem, u".pdf"_s, "dritter"), stem + u"_3.pdf"_s);
    EXPECT_EQ(bytes(first), QByteArray("alt"));
    EXPECT_EQ(bytes(stem + u"_2.pdf"_s), QByteArray("zweiter"));
    EXPECT_EQ(bytes(stem + u"_3.pdf"_s), QByteArray("dritter"));
    EXPECT_EQ(modeOf(stem + u"_3.pdf"_s), u"644"_s);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(config_).entryList(QDir::Files).size(), 3);

    // A directory that takes no new file: the write error, and no file.
    const test::RestrictedUser user = test::restrictedUser();
    for (const QString& p : {dir_.path(), config_})
        ASSERT_EQ(chown(QFile::encodeName(p).constData(), user.uid, user.gid), 0);
    ASSERT_EQ(chmod(QFile::encodeName(config_).constData(), 0555), 0);
    const auto refused = test::runAsRestrictedUser([&] {
        try {
            writeNewFile(config_ + u"/Abgleichprotokoll_4711_neu"_s, u".pdf"_s, "x");
            return 0;
        } catch (const AppError& e) {
            return e.message().startsWith(u"Die Datei '"_s) ? 1 : 2;
        }
    });
    ASSERT_EQ(chmod(QFile::encodeName(config_).constData(), 0755), 0);
    if (!refused)
        GTEST_SKIP() << "no user to whom file permissions apply";
    EXPECT_EQ(*refused, 1);
    EXPECT_EQ(QDir(config_).entryList(QDir::Files).size(), 3);
}

// On a full disk every record and the settings file stay byte for byte as they were, and the
// error names the file and the reason in German.
TEST(FullDisk, RecordsAndSettingsStayWhole) {
    test::SmallDisk disk(64 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small file system needs an administrator";
    const QString log = disk.path() + u"/Log_4711.log"_s;
    const QString csv = disk.path() + u"/Abgleich_4711.csv"_s;
    const QString ini = disk.path() + u"/Abgleich.ini"_s;
    appendTextFile(log, u"15.03.2022 14:30:05 alt\r\nU4711,ABC12,,,0;\r\n"_s);
    replaceTextFile(csv, u"alt;4711;ABC12;\r\n"_s);
    replaceTextFile(ini, u"[FoAbgleich]\r\nED_IP_Text=127.0.0.1\r\n\r\n"_s);
    const auto contentOf = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    };
    const QByteArray logBefore = contentOf(log);
    const QByteArray csvBefore = contentOf(csv);
    const QByteArray iniBefore = contentOf(ini);
    disk.fill(8192); // room for the beginning of each write, not for its end

    const QString entry = u"15.03.2022 14:31:00 neu\r\n"_s + QString(20000, u'x') + u"\r\n"_s;
    const auto failure = [](const std::function<void()>& write) {
        try {
            write();
        } catch (const AppError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(
        failure([&] { appendTextFile(log, entry); }),
        u"Die Datei '"_s + QDir::toNativeSeparators(log) +
            u"' kann nicht geschrieben werden: Kein Speicherplatz mehr auf dem Datenträger"_s);
    EXPECT_EQ(
        failure([&] { replaceTextFile(csv, entry); }),
        u"Die Datei '"_s + QDir::toNativeSeparators(csv) +
            u"' kann nicht geschrieben werden: Kein Speicherplatz mehr auf dem Datenträger"_s);
    IniFile settings(ini);
    settings.load();
    settings.setValue(u"FoAbgleich"_s, u"ED_IP_Text"_s, u"127.0.0.2"_s + QString(20000, u'x'));
    EXPECT_FALSE(settings.save());
    EXPECT_TRUE(contentOf(log) == logBefore) << contentOf(log).size() << " bytes";
    EXPECT_TRUE(contentOf(csv) == csvBefore) << contentOf(csv).size() << " bytes";
    EXPECT_TRUE(contentOf(ini) == iniBefore) << contentOf(ini).size() << " bytes";
    // No temporary file is left behind.
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}
