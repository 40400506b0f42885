#pragma once

#include "bench/benchsession.h"
#include "scripted/fixedclock.h"
#include "support/scriptedecho.h"
#include "ui/mainwindow.h"

#include <memory>

namespace abgleich::test {

// What a window works with in a test: a bench session (its echo check given, else a
// scripted one) and a clock that shows 15.03.2022 14:30:05; the dialogs are the test's.
struct TestServices {
    explicit TestServices(std::unique_ptr<EchoProbe> given = nullptr)
        : session(given ? std::move(given) : scripted()) {}

    WindowServices with(OperatorDialogs& dialogs) { return {dialogs, session, clock}; }

    ScriptedEcho* echo = nullptr; // the scripted echo check, when no other was given
    BenchSession session;
    FixedClock clock;

private:
    std::unique_ptr<EchoProbe> scripted() {
        auto made = std::make_unique<ScriptedEcho>();
        echo = made.get();
        return made;
    }
};

} // namespace abgleich::test
