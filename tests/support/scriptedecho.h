// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "bench/icmpecho.h"
#include "core/errors.h"

namespace abgleich::test {

// An echo check that the bench passes, or fails when told so; it counts its echoes.
class ScriptedEcho : public EchoProbe {
public:
    void echo(const QString& host) override {
        ++calls;
        if (!answers)
            throw AppError(QStringLiteral("Keine Antwort von '%1'").arg(host));
    }
    bool answers = true;
    int calls = 0;
};

} // namespace abgleich::test
