// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/textfile.h"

#include "core/ansicodec.h"
#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <cerrno>

namespace abgleich {

QString fileErrorReason(int error) {
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("Kein Speicherplatz mehr auf dem Datenträger");
    case EROFS:
        return QStringLiteral("Schreibgeschützt");
    case EACCES:
    case EPERM:
        return QStringLiteral("Zugriff verweigert");
    case ENOENT:
        return QStringLiteral("Das Verzeichnis ist nicht vorhanden");
    case EFBIG:
        return QStringLiteral("Die Datei ist zu groß");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler des Datenträgers");
    default:
        break;
    }
    return QStringLiteral("Schreibfehler (Fehlernummer %1)").arg(error);
}

void throwFileError(const QString& path, const QString& reason) {
    throw AppError(QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2")
                       .arg(QDir::toNativeSeparators(path), reason));
}

namespace {

// The reason of the last failed system call, taken at once, before anything else sets it.
QString lastReason() {
    return fileErrorReason(errno);
}

} // namespace

void appendTextFile(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throwFileError(path, lastReason());
    const qint64 before = file.size();
    const QByteArray bytes = encodeAnsi(text);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = lastReason();
        // What went in of this entry goes again: the next entry must not be glued onto a
        // half line.
        file.resize(before);
        throwFileError(path, reason);
    }
}

void replaceTextFile(const QString& path, const QString& text) {
    QString reason;
    if (!replaceFile(path, encodeAnsi(text), &reason))
        throwFileError(path, reason);
}

bool replaceFile(const QString& path, const QByteArray& bytes, QString* reason) {
    FileReplacement replacement;
    return replacement.prepare(path, bytes, reason) && replacement.commit(reason);
}

FileReplacement::FileReplacement() = default;
FileReplacement::~FileReplacement() = default; // an uncommitted temporary file is removed
FileReplacement::FileReplacement(FileReplacement&&) noexcept = default;
FileReplacement& FileReplacement::operator=(FileReplacement&&) noexcept = default;

bool FileReplacement::prepare(const QString& path, const QByteArray& bytes, QString* reason) {
    // The permission bits as they stand on disk. The "User" flags say what the user running
    // the tool may do (everything, for an administrator); taken as the file's bits they
    // would make a read-only file writable.
    path_ = path;
    existed_ = QFileInfo::exists(path);
    bits_ = int(QFile::permissions(path) &
                ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser));
    // Never written in place: a failure part-way would leave the old file emptied.
    file_ = std::make_unique<QSaveFile>(path);
    file_->setDirectWriteFallback(false);
    errno = 0;
    if (!file_->open(QIODevice::WriteOnly) || file_->write(bytes) != bytes.size() ||
        !file_->flush()) {
        if (reason)
            *reason = lastReason();
        file_.reset();
        return false;
    }
    return true;
}

bool FileReplacement::commit(QString* reason) {
    errno = 0;
    if (!file_ || !file_->commit()) {
        if (reason)
            *reason = errno ? lastReason() : QStringLiteral("Die Datei wurde nicht vorbereitet");
        file_.reset();
        return false;
    }
    file_.reset();
    // The new file took the old one's place: it gets the old one's bits.
    if (existed_)
        QFile::setPermissions(path_, QFileDevice::Permissions(bits_));
    return true;
}

QString writeNewFile(const QString& stem, const QString& suffix, const QByteArray& bytes) {
    // Enough for any number of files written within the same second.
    constexpr int kMaxCandidates = 1000;
    QTemporaryFile file(stem + QStringLiteral("_XXXXXX.tmp"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        throwFileError(stem + suffix, lastReason());
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const QString path = n == 1 ? stem + suffix : stem + u'_' + QString::number(n) + suffix;
        if (QFileInfo::exists(path))
            continue;
        if (file.rename(path)) {
            file.setAutoRemove(false); // it is no longer a temporary file
            // The temporary file was the owner's alone; the record is for everyone to read.
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser |
                                            QFileDevice::ReadGroup | QFileDevice::ReadOther);
            return path;
        }
        if (!QFileInfo::exists(path)) // not taken by another file: the rename itself failed
            throwFileError(path, lastReason());
    }
    throwFileError(stem + suffix, QStringLiteral("alle Dateinamen sind vergeben"));
}

QStringList splitLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start).toString());
    return lines;
}

QStringList readTextLines(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Die Datei '%1' kann nicht gelesen werden: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    if (file.size() > maxBytes)
        throw AppError(QStringLiteral("Die Datei '%1' ist zu groß (%2 Bytes, höchstens %3)")
                           .arg(QDir::toNativeSeparators(path))
                           .arg(file.size())
                           .arg(maxBytes));
    return splitLines(decodeTextFile(file.read(maxBytes + 1)).text);
}

namespace {
const QByteArray kUtf8Mark("\xEF\xBB\xBF");
const QByteArray kUtf16LEMark("\xFF\xFE");
const QByteArray kUtf16BEMark("\xFE\xFF");
} // namespace

DecodedText decodeTextFile(const QByteArray& bytes) {
    if (bytes.startsWith(kUtf8Mark))
        return {TextEncoding::Utf8, QString::fromUtf8(bytes.sliced(3))};
    if (bytes.startsWith(kUtf16LEMark))
        return {TextEncoding::Utf16LE, QStringDecoder(QStringDecoder::Utf16LE)(bytes.sliced(2))};
    if (bytes.startsWith(kUtf16BEMark))
        return {TextEncoding::Utf16BE, QStringDecoder(QStringDecoder::Utf16BE)(bytes.sliced(2))};
    return {TextEncoding::Ansi, decodeAnsi(bytes)};
}

QByteArray encodeTextFile(const QString& text, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return kUtf8Mark + text.toUtf8();
    case TextEncoding::Utf16LE:
        return kUtf16LEMark + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(text));
    case TextEncoding::Utf16BE:
        return kUtf16BEMark + QByteArray(QStringEncoder(QStringEncoder::Utf16BE)(text));
    case TextEncoding::Ansi:
        break;
    }
    return encodeAnsi(text);
}

} // namespace abgleich
