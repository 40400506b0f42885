// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/ansicodec.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "support/scriptedecho.h"
#include "support/testpeer.h"
#include "support/testworkbench.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace abgleich::test {

// A workbench in a working directory of its own, with scripted dialogs, a clock that shows
// 15.03.2022 14:30:05 (the test may set another moment) and a bench session whose link goes
// to a peer on 127.0.0.1. What the workbench sent is read from the peer.
struct LoopbackBench {
    explicit LoopbackBench(const RegionalSettings& rs = RegionalSettings::german(),
                           ReportWriter* reports = nullptr)
        : session(std::make_unique<ScriptedEcho>()),
          bench(WorkbenchServices{dialogs, session, clock, reports}, rs, dir.path()) {
        EXPECT_TRUE(peer.listen());
        session.client().setPort(peer.port());
        bench.changeHost(QStringLiteral("127.0.0.1"));
        // Read back only where a test asks for it: the peer answers only what it is told.
        bench.setReadBackWait(0);
        QObject::connect(&bench, &Workbench::logLine, [this](const QString& line) {
            if (line.startsWith(QStringLiteral("-> ")))
                sentBytes += encodeAnsi(QStringView(line).mid(3)).size();
        });
        QObject::connect(&bench, &Workbench::busyStarted, [this] { ++busyStarts; });
    }

    WorkingState& state() { return bench.workingState(); }
    QString configFile(const QString& name) const { return state().configdir + u'/' + name; }
    const WorkingState& state() const { return bench.state(); }

    // The records the peer received, each up to and including its ";", once every byte the
    // session logged as sent has arrived.
    QStringList sent() {
        EXPECT_TRUE(peer.waitForReceived(sentBytes));
        const QString text = decodeAnsi(peer.received());
        QStringList records;
        qsizetype start = 0;
        for (qsizetype end = text.indexOf(u';'); end >= 0; end = text.indexOf(u';', start)) {
            records << text.mid(start, end + 1 - start);
            start = end + 1;
        }
        if (start < text.size())
            records << text.mid(start);
        return records;
    }
    void clearSent() {
        EXPECT_TRUE(peer.waitForReceived(sentBytes));
        peer.clearReceived();
        sentBytes = 0;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    FixedClock clock;
    BenchSession session;
    TestPeer peer;
    TestWorkbench bench;
    qsizetype sentBytes = 0; // what the session logged as sent
    int busyStarts = 0;
};

} // namespace abgleich::test
