#pragma once

#include "state/workingstate.h"
#include "core/operatordialogs.h"

#include <QChar>

namespace abgleich {

// A receive buffer that grows beyond this without a frame being taken is emptied, so a peer
// that never sends "#" cannot exhaust memory.
inline constexpr qsizetype kMaxReceiveBuffer = 16 * 1024 * 1024;

// Whether the awaited reply letter is one a command can have ("A".."Z").
bool isCmdLetter(QChar expectedReply);

// Cuts at most one reply frame (from the awaited letter up to "#") out of the receive
// buffer. A frame of the letter "U" is the correction-data record: it fills the device
// fields, the point count, the table and the coefficient store; an error record goes to
// the operator as "Fehler " + text. Frames of other letters are consumed without effect.
void processReceived(WorkingState& state, OperatorDialogs& dialogs);

} // namespace abgleich
