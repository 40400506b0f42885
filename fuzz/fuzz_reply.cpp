// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// Received chunks and awaited letters, in any order, the way the program takes them: through
// the bench session (decoding, reply framing) into the workbench, which reads a "U" reply
// into the table and the coefficient store.
//
// Input: a sequence of operations. A byte with the high bit set awaits a letter
// ("U", "T", "Z", "A", "E", none, "u", "#" by its low three bits), as sending a command does;
// any other byte n is a chunk of the next n bytes, handed to the session as the link does.
#include "bench/benchsession.h"
#include "core/errors.h"
#include "fuzzsupport.h"
#include "scripted/fixedclock.h"
#include "scripted/scripteddialogs.h"
#include "workflow/workbench.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

using namespace abgleich;

namespace {

// No echo check is ever made here; should one be, the bench does not answer.
class NoEcho : public EchoProbe {
public:
    void echo(const QString& host) override {
        throw AppError(QStringLiteral("Keine Antwort von '%1'").arg(host));
    }
};

// The working directory the workbench creates its "config" in: one per process, removed at
// the end.
const QString& workingDir() {
    static const QTemporaryDir dir;
    static const QString path = dir.path();
    fuzz::check(dir.isValid(), "temporary working directory");
    return path;
}

void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz_reply";
    static char* argv[] = {name, nullptr};
    static const QCoreApplication app(argc, argv);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char16_t letters[8] = {u'U', u'T', u'Z', u'A', u'E', 0, u'u', u'#'};
    ensureApplication();
    test::ScriptedDialogs dialogs;
    dialogs.record = false;
    const test::FixedClock clock;
    BenchSession session(std::make_unique<NoEcho>());
    Workbench bench({dialogs, session, clock}, RegionalSettings::german(), workingDir());
    const WorkingState& state = bench.state();
    const ReceiveBuffer& rx = session.receiveBuffer();
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t op = data[i++];
        if (op & 0x80) {
            session.awaitReply(QChar(letters[op & 7]));
            continue;
        }
        const std::size_t n = std::min<std::size_t>(op, size - i);
        session.receive(QByteArrayView(reinterpret_cast<const char*>(data + i), qsizetype(n)));
        i += n;

        fuzz::check(state.table.batchDepth() == 0, "batch closed");
        fuzz::check(state.anzMS >= 0 && state.anzMS <= CoefficientStore::kSlots, "point count");
        fuzz::check(state.table.rows() == 256 || state.table.rows() == state.anzMS + 1,
                    "one row per point");
        fuzz::check(state.msUpperBound == state.anzMS, "selector bound");
        fuzz::check(!rx.empfangen.contains(u'?'), "no question mark kept");
    }
    return 0;
}
