// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// A 256-point correction-data reply, as bytes off the wire, the way the program takes them:
// the bench session decodes, logs and frames them, the application layer loads the reply
// into the table model.
#include "core/ansicodec.h"
#include "qtbenchmain.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "workflow/workbench.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace abgleich;

namespace {

QByteArray fullRecord() {
    QString text = QStringLiteral("U4711,ABC12,1.7,220315143005,256");
    for (int k = 1; k <= 256; ++k) {
        const QString name =
            (k % 10 == 0 ? QStringLiteral("Offset %1") : QStringLiteral("Temp %1")).arg(k);
        text += QStringLiteral(",%1,°C,%2,%3").arg(name).arg(k * 7 - 900).arg(1000 + k % 13);
    }
    text += QStringLiteral(",#");
    return encodeAnsi(text);
}

void feedRecord(benchmark::State& run, qsizetype chunkSize) {
    static QTemporaryDir dir;
    const QByteArray wire = fullRecord();
    test::ScriptedDialogs dialogs;
    dialogs.record = false;
    BenchSession session;
    const test::FixedClock clock;
    Workbench bench({dialogs, session, clock}, RegionalSettings::german(), dir.path());
    for (auto _ : run) {
        session.awaitReply(u'U');
        for (qsizetype pos = 0; pos < wire.size(); pos += chunkSize)
            session.receive(QByteArrayView(wire).sliced(pos, qMin(chunkSize, wire.size() - pos)));
        if (bench.state().anzMS != 256 || !session.receiveBuffer().empfangen.isEmpty())
            run.SkipWithError("record not taken");
    }
    run.SetBytesProcessed(run.iterations() * wire.size());
    run.counters["record_bytes"] = double(wire.size());
}

void BM_Reply256OneChunk(benchmark::State& run) {
    feedRecord(run, 1 << 20);
}
void BM_Reply256Chunks100(benchmark::State& run) {
    feedRecord(run, 100);
}

} // namespace

BENCHMARK(BM_Reply256OneChunk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reply256Chunks100)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return runBenchmarks<QCoreApplication>(argc, argv);
}
