// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSaveFile;

namespace abgleich {

// Text files as the tool writes and reads them. Written text is Windows-1252 without a
// byte-order mark, "?" for characters the code page lacks; line breaks are the caller's.

// The reason a file operation failed, in German, from the system's error number.
QString fileErrorReason(int error);
// The error of a file that cannot be written: its name and the reason.
[[noreturn]] void throwFileError(const QString& path, const QString& reason);

// Appends to the file, creating it when it does not exist. An append that cannot be
// completed is cut back to the file's previous length, so no half line stays behind.
void appendTextFile(const QString& path, const QString& text);
// Replaces the file whole: a temporary file is written and renamed over the old one, so a
// failure never leaves a half-written or emptied file in its place; the old file stays as
// it was. An existing file keeps its permission bits.
void replaceTextFile(const QString& path, const QString& text);
// The same for bytes; false, with the reason, when the file was not written.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// A replacement in two steps: prepare() writes the new content to the temporary file beside
// the old one (which stays as it is), commit() puts it in the old one's place. A replacement
// that is never committed leaves nothing behind.
class FileReplacement {
public:
    FileReplacement();
    ~FileReplacement();
    FileReplacement(FileReplacement&&) noexcept;
    FileReplacement& operator=(FileReplacement&&) noexcept;

    bool prepare(const QString& path, const QByteArray& bytes, QString* reason);
    bool commit(QString* reason);

private:
    std::unique_ptr<QSaveFile> file_;
    QString path_;
    bool existed_ = false;
    int bits_ = 0;
};

// Writes a new file and never replaces one: the bytes go to a temporary file in the same
// directory, which then takes the first free name of stem + suffix, stem + "_2" + suffix,
// stem + "_3" + suffix, ... (the rename itself refuses a name that exists). Returns the
// path written; raises the write error when no file could be written.
QString writeNewFile(const QString& stem, const QString& suffix, const QByteArray& bytes);

// Reads a text file: decoded by its byte-order mark (UTF-8, UTF-16 LE or BE), else as
// Windows-1252; split into lines at CR LF, CR or LF (a break after the last line starts no
// further line). Files larger than maxBytes are refused.
QStringList readTextLines(const QString& path, qint64 maxBytes);

// Splits text into lines as readTextLines does.
QStringList splitLines(QStringView text);
// The encodings a text file may come in: marked by a byte-order mark, else Windows-1252.
enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };
struct DecodedText {
    TextEncoding encoding;
    QString text;
};
// Decodes a file's bytes by its byte-order mark, else as Windows-1252.
DecodedText decodeTextFile(const QByteArray& bytes);
// Encodes text for a file, with the byte-order mark of its encoding (none for Windows-1252).
QByteArray encodeTextFile(const QString& text, TextEncoding encoding);

} // namespace abgleich
