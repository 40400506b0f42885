// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

// A change log of 10,000 uploads of a 40-point device (every tenth comment over two lines),
// each entry as the upload writes it, for the history benchmarks.
#include "core/ansicodec.h"
#include "records/upload.h"

#include <QFile>
#include <QTemporaryDir>

namespace abgleich::bench {

inline constexpr int kLoggedUploads = 10000;
inline constexpr int kLoggedPoints = 40;

// The log's path, written once; it lasts as long as the program.
inline QString changeLog10000() {
    static QTemporaryDir dir;
    static const QString path = [] {
        WorkingState state(RegionalSettings::german());
        state.prepare(dir.path());
        state.device.geraeteId = QStringLiteral("4711");
        state.device.geraetetyp = QStringLiteral("ZYK12");
        state.table.setRows(kLoggedPoints + 1);
        const QDateTime start(QDate(2000, 1, 1), QTime(8, 0));
        QString log;
        for (int u = 0; u < kLoggedUploads; ++u) {
            for (int n = 1; n <= kLoggedPoints; ++n) {
                state.table.setCellText(Col::Name, n, QStringLiteral(" Temperatur Öl %1 ").arg(n));
                state.table.setCellText(Col::Unit, n, QStringLiteral(" °C "));
                state.table.setCellNumber(Col::ANeu, n, (u % 97) * 0.001 - n * 0.01);
                state.table.setCellNumber(Col::BNeu, n, 1.0 + (u % 13) * 0.0001);
            }
            const QString comment =
                u % 10 == 0 ? QStringLiteral("Jahresprüfung %1\nPrüfmittel PM-17").arg(u)
                            : QStringLiteral("Abgleich %1").arg(u);
            log += changeLogEntry(state.regional, start.addSecs(qint64(u) * 3600), comment,
                                  buildUpload(state, kLoggedPoints).record);
        }
        QFile file(changeLogPath(state));
        if (!file.open(QIODevice::WriteOnly) || file.write(encodeAnsi(log)) <= 0)
            return QString();
        return file.fileName();
    }();
    return path;
}

} // namespace abgleich::bench
