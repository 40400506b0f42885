// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The built program as the operator starts it: Qt's own command-line options must not reach
// Qt, since the tool is configured by its settings file alone.
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Qt would leave at once on a platform plugin it does not have; the program must ignore the
// option and start on the platform of its environment (offscreen here), in its own working
// directory, where it creates its "config" folder while the window is built.
TEST(Program, IgnoresQtCommandLineOptions) {
    QTemporaryDir workDir;
    ASSERT_TRUE(workDir.isValid());
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(workDir.path());
    program.start(QStringLiteral(ABGLEICH_PROGRAM),
                  {u"-platform"_s, u"keine-solche-plattform"_s, u"-reverse"_s});
    ASSERT_TRUE(program.waitForStarted(10000)) << program.errorString().toStdString();

    const QString config = QDir(workDir.path()).filePath(u"config"_s);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QDir(config).exists() || program.state() == QProcess::NotRunning; }, 20000));
    const bool running = program.state() == QProcess::Running;
    const QString output = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(running) << output.toStdString();
    EXPECT_TRUE(QDir(config).exists());

    program.kill();
    program.waitForFinished(10000);
}

// --version and --help answer in German and end at once, before any window or folder.
TEST(Program, VersionAndHelpAnswerAndEnd) {
    struct Case {
        QString option;
        QString starts;
    };
    const Case cases[] = {{u"--version"_s, u"abgleich "_s}, {u"--help"_s, u"Aufruf: abgleich"_s}};
    for (const Case& c : cases) {
        QTemporaryDir workDir;
        ASSERT_TRUE(workDir.isValid());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(workDir.path());
        program.start(QStringLiteral(ABGLEICH_PROGRAM), {c.option});
        ASSERT_TRUE(program.waitForFinished(10000)) << c.option.toStdString();
        EXPECT_EQ(program.exitCode(), 0);
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_TRUE(output.startsWith(c.starts)) << output.toStdString();
        EXPECT_FALSE(QDir(workDir.filePath(u"config"_s)).exists()) << c.option.toStdString();
    }
}

} // namespace
