// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "bench/benchsession.h"
#include "scripted/fixedclock.h"
#include "support/scriptedecho.h"
#include "support/testworkbench.h"
#include "ui/mainwindow.h"
#include "ui/reportpdf.h"

#include <QDir>

#include <memory>

namespace abgleich::test {

// What a window works with in a test: a bench session (its echo check given, else a
// scripted one), a clock that shows 15.03.2022 14:30:05 and the PDF report writer; the
// dialogs are the test's.
struct TestServices {
    explicit TestServices(std::unique_ptr<EchoProbe> given = nullptr)
        : session(given ? std::move(given) : scripted()) {}

    // The application layer over these services in the current working directory, as the
    // program entry makes it.
    std::unique_ptr<TestWorkbench>
    workbench(OperatorDialogs& dialogs, const RegionalSettings& rs = RegionalSettings::german()) {
        auto bench = std::make_unique<TestWorkbench>(
            WorkbenchServices{dialogs, session, clock, &reports}, rs, QDir::currentPath());
        bench->setReadBackWait(readBackWaitMs);
        return bench;
    }

    ScriptedEcho* echo = nullptr; // the scripted echo check, when no other was given
    // Uploads are read back only where a test asks for it: most peers do not answer.
    int readBackWaitMs = 0;
    BenchSession session;
    FixedClock clock;
    PdfReportWriter reports;

private:
    std::unique_ptr<EchoProbe> scripted() {
        auto made = std::make_unique<ScriptedEcho>();
        echo = made.get();
        return made;
    }
};

} // namespace abgleich::test
