// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <QString>

class QPlainTextEdit;

namespace abgleich {

// The protocol of the bench link in its memo: one line per text sent, chunk received and
// connection event. A flood from the link must neither make it unusable nor fill the
// memory: very long lines are cut (normal replies are far shorter), beyond a total size the
// oldest lines go, and nothing that goes is kept for an undo.
class ProtocolLog : public QObject {
    Q_OBJECT

public:
    // The memo keeps about this many characters, each line cut at kMaxLine.
    static constexpr int kMaxChars = 4 * 1024 * 1024;
    static constexpr qsizetype kMaxLine = 64 * 1024;

    explicit ProtocolLog(QPlainTextEdit* memo);

    void append(const QString& line);
    void clear();

private:
    QPlainTextEdit* memo_;
};

} // namespace abgleich
