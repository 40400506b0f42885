// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

// The records database of a bench with the change log of 10,000 uploads of 40 points taken
// in, for the history benchmarks.
#include "changelog10000.h"
#include "records/logimport.h"

#include <memory>

namespace abgleich::bench {

// The database's folder; the file lasts as long as the program.
inline QString records10000() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = recordsFilePath(dir.path());
        const auto records = RecordsDb::openLocal(file);
        const LogImport imported = importChangeLog(
            *records, changeLog10000(), QStringLiteral("4711"), RegionalSettings::german());
        return imported.imported == kLoggedUploads ? file : QString();
    }();
    return path;
}

} // namespace abgleich::bench
