// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "support/pdftext.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace abgleich::test {

QString pdfText(const QByteArray& pdf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"report.pdf"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return {};
    }
    file.close();
    QProcess extract;
    extract.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    if (!extract.waitForFinished(30000) || extract.exitStatus() != QProcess::NormalExit ||
        extract.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext (poppler-utils) did not run: "
                      << extract.errorString().toStdString();
        return {};
    }
    return QString::fromUtf8(extract.readAllStandardOutput())
        .replace(QRegularExpression(u"[ \t\u00A0]+"_s), u" "_s);
}

} // namespace abgleich::test
