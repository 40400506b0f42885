// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/protocollog.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace abgleich {

ProtocolLog::ProtocolLog(QPlainTextEdit* memo) : QObject(memo), memo_(memo) {
    // A read-only memo still records every edit for an undo: the lines trimmed away would
    // stay in memory for good.
    memo_->setUndoRedoEnabled(false);
}

void ProtocolLog::append(const QString& line) {
    if (line.size() > kMaxLine)
        memo_->appendPlainText(line.left(kMaxLine) +
                               QStringLiteral(" … (%1 Zeichen)").arg(line.size()));
    else
        memo_->appendPlainText(line);
    QTextDocument* log = memo_->document();
    if (log->characterCount() <= kMaxChars)
        return;
    // The oldest lines go, down to about three quarters of the limit.
    QTextCursor oldest(log);
    oldest.movePosition(QTextCursor::Start);
    oldest.setPosition(log->characterCount() - kMaxChars * 3 / 4, QTextCursor::KeepAnchor);
    oldest.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    oldest.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}

void ProtocolLog::clear() {
    memo_->clear();
}

} // namespace abgleich
