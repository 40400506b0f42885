#include "records/textfile.h"

#include "core/ansicodec.h"
#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace abgleich {

namespace {

[[noreturn]] void fileError(const QString& path, const QString& reason) {
    throw AppError(QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2")
                       .arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

void appendTextFile(const QString& path, const QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        fileError(path, file.errorString());
    const QByteArray bytes = encodeAnsi(text);
    if (file.write(bytes) != bytes.size() || !file.flush())
        fileError(path, file.errorString());
}

void replaceTextFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fileError(path, file.errorString());
    const QByteArray bytes = encodeAnsi(text);
    if (file.write(bytes) != bytes.size() || !file.commit())
        fileError(path, file.errorString());
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
    const QByteArray bytes = file.read(maxBytes + 1);
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.sliced(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        text = QStringDecoder(QStringDecoder::Utf16LE)(bytes.sliced(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        text = QStringDecoder(QStringDecoder::Utf16BE)(bytes.sliced(2));
    } else {
        text = decodeAnsi(bytes);
    }
    return splitLines(text);
}

} // namespace abgleich
