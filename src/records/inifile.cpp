// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/inifile.h"

#include "core/text.h"
#include "records/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace abgleich {

namespace {
constexpr qint64 kMaxIniBytes = 4 * 1024 * 1024;
} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

IniFile::Section* IniFile::findSection(const QString& name) {
    for (Section& s : sections_) {
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    return const_cast<IniFile*>(this)->findSection(name);
}

void IniFile::load() {
    QFile file(path_);
    stamp_ = QFileInfo(path_).lastModified();
    unread_ = false;
    if (!file.exists()) {
        parse({});
        return;
    }
    QByteArray bytes;
    if (file.size() <= kMaxIniBytes && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    // A file that is there but was not read whole holds values nobody has seen; written back,
    // they would be lost.
    unread_ = !file.isOpen() || file.error() != QFileDevice::NoError;
    parse(unread_ ? QByteArray() : bytes);
}

void IniFile::parse(const QByteArray& bytes) {
    sections_.clear();
    const DecodedText decoded = decodeTextFile(bytes);
    encoding_ = decoded.encoding;
    const QString& text = decoded.text;

    Section* current = nullptr;
    bool skipping = true; // before the first section, and inside a repeated one
    for (const QString& raw : splitLines(text)) {
        const QString line = trimBlanksAndControls(raw).toString();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name =
                trimBlanksAndControls(QStringView(line).sliced(1, line.size() - 2)).toString();
            skipping = findSection(name) != nullptr;
            if (!skipping) {
                sections_.push_back({name, {}});
                current = &sections_.back();
            }
            continue;
        }
        if (skipping || !current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            current->lines.push_back({line, QString(), false});
        } else {
            current->lines.push_back(
                {trimBlanksAndControls(QStringView(line).first(eq)).toString(),
                 trimBlanksAndControls(QStringView(line).sliced(eq + 1)).toString(), true});
        }
    }
}

void IniFile::reloadIfChanged() {
    if (QFileInfo(path_).lastModified() != stamp_)
        load();
}

bool IniFile::isWriteProtected() const {
    const QFileInfo info(path_);
    // The owner's write permission, which also holds for an administrator.
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    if (const Section* s = findSection(section)) {
        for (const Line& line : s->lines) {
            if (line.key.compare(key, Qt::CaseInsensitive) == 0)
                return line.value;
        }
    }
    return std::nullopt;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    Section* s = findSection(section);
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (Line& line : s->lines) {
        if (line.key.compare(key, Qt::CaseInsensitive) == 0) {
            line.value = value;
            line.hasValue = true;
            return;
        }
    }
    s->lines.push_back({key, value, true});
}

QString IniFile::text() const {
    QString text;
    for (const Section& s : sections_) {
        text += u'[' + s.name + QStringLiteral("]\r\n");
        for (const Line& line : s.lines)
            text +=
                (line.hasValue ? line.key + u'=' + line.value : line.key) + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    return text;
}

QByteArray IniFile::bytes() const {
    return encodeTextFile(text(), encoding_);
}

bool IniFile::save() const {
    if (unread_ || isWriteProtected())
        return false;
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (!replaceFile(path_, bytes()))
        return false;
    stamp_ = QFileInfo(path_).lastModified(); // our own write is no change by someone else
    return true;
}

} // namespace abgleich
