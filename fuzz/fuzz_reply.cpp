// Received chunks and awaited letters, in any order, through the reply framing and the
// record interpretation into the table and the coefficient store.
//
// Input: a sequence of operations. A byte with the high bit set awaits a letter
// ("U", "T", "Z", "A", "E", none, "u", "#" by its low three bits); any other byte n is a
// chunk of the next n bytes, decoded as Windows-1252 and handed over as the link does.
#include "bench/replyparser.h"
#include "core/ansicodec.h"
#include "fuzzsupport.h"
#include "scripted/scripteddialogs.h"

#include <cstdint>

using namespace abgleich;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char16_t letters[8] = {u'U', u'T', u'Z', u'A', u'E', 0, u'u', u'#'};
    WorkingState state(RegionalSettings::german());
    state.table.writeHeaderRow();
    state.table.writeRowNumbers();
    ReceiveBuffer rx;
    test::ScriptedDialogs dialogs;
    dialogs.record = false;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t op = data[i++];
        if (op & 0x80) {
            rx.expectedReply = QChar(letters[op & 7]);
            continue;
        }
        const std::size_t n = std::min<std::size_t>(op, size - i);
        rx.empfangen +=
            decodeAnsi(QByteArrayView(reinterpret_cast<const char*>(data + i), qsizetype(n)));
        i += n;
        processReceived(rx, state, dialogs);

        fuzz::check(state.table.batchDepth() == 0, "batch closed");
        fuzz::check(state.anzMS >= 0 && state.anzMS <= CoefficientStore::kSlots, "point count");
        fuzz::check(state.table.rows() == 256 || state.table.rows() == state.anzMS + 1,
                    "one row per point");
        fuzz::check(state.msUpperBound == state.anzMS, "selector bound");
        fuzz::check(!rx.empfangen.contains(u'?'), "no question mark kept");
    }
    return 0;
}
