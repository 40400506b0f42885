// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/upload.h"
#include "support/pointrows.h"
#include "workflow/loopbackbench.h"

#include <QDateTime>

namespace abgleich::test {

// Device 4711 with a temperature point and an offset point, ready to upload.
inline void fillRecordsDevice(WorkingState& state) {
    fillPoints(state, QStringLiteral("4711"), QStringLiteral("ABC12"),
               {{QStringLiteral(" TA_1 "), QStringLiteral(" °C "), QStringLiteral("0,1"),
                 QStringLiteral("1"), QStringLiteral("0,2"), QStringLiteral("1,01")},
                {QStringLiteral(" of Druck "), QStringLiteral(" bar "), QStringLiteral("0"),
                 QString(), QStringLiteral("0,3"), QString()}});
}

// An upload at the given moment with the given comment; a differs each time.
inline void uploadAt(LoopbackBench& b, const QDateTime& when, const QString& comment,
                     double a = 0.25) {
    b.state().table.setCellNumber(Col::ANeu, 1, a);
    b.dialogs.authorisations.push_back(
        AuthorisationInput{QStringLiteral("abc-") + b.state().device.geraeteId, comment});
    b.clock = FixedClock(when);
    b.bench.upload();
}

} // namespace abgleich::test
