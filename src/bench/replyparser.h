// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "state/loadedrecord.h"

#include <QChar>
#include <QString>

#include <optional>
#include <variant>

namespace abgleich {

// A receive buffer that grows beyond this without a frame being taken is emptied, so a peer
// that never sends "#" cannot exhaust memory.
inline constexpr qsizetype kMaxReceiveBuffer = 16 * 1024 * 1024;

// What has arrived from the controller and not yet been taken, and the letter of the
// awaited reply (0 when none is awaited). New text is appended to empfangen; anything else
// that changes it goes through clear(), so that a reply arriving in many pieces is searched
// once, not once for every piece.
struct ReceiveBuffer {
    QString empfangen;
    QChar expectedReply{0};
    // The leading characters of empfangen already found to hold neither "?" nor "#".
    qsizetype searched = 0;

    void clear() {
        empfangen.clear();
        searched = 0;
    }
};

// One reply: its letter and the text between the letter and "#".
struct ReplyFrame {
    QChar letter;
    QString body;
};

// Whether the awaited reply letter is one a command can have ("A".."Z").
bool isCmdLetter(QChar expectedReply);

// Cuts at most one reply frame (from the awaited letter up to "#") out of the buffer; the
// awaited letter is then cleared. Text that cannot belong to a reply is dropped.
std::optional<ReplyFrame> takeFrame(ReceiveBuffer& rx);

// The body of a "U" reply read into a value: the controller's error text, the
// acknowledgement of an upload ("F..."), a record, or a record whose point count no
// table can take (the count as received).
struct ControllerError {
    QString text;
};
struct UploadAcknowledged {};
struct UnusableCount {
    QString countText;
};
using CorrectionReply =
    std::variant<ControllerError, UploadAcknowledged, UnusableCount, ControllerRecord>;
CorrectionReply parseCorrectionReply(QStringView body, const RegionalSettings& rs);

} // namespace abgleich
