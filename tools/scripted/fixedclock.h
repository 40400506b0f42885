// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/clock.h"

namespace abgleich::test {

// A clock that always shows the same moment (15.03.2022 14:30:05 unless told otherwise).
class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime moment = QDateTime(QDate(2022, 3, 15), QTime(14, 30, 5)))
        : moment_(std::move(moment)) {}
    QDateTime now() const override { return moment_; }

private:
    QDateTime moment_;
};

} // namespace abgleich::test
