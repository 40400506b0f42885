// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/textfile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace abgleich {

// An INI file held in memory. Reading: lines are trimmed; empty lines and ";" comments are
// skipped; "[name]" opens a section (names compared without letter case; a section that
// comes a second time is ignored with its lines); "key=value" is split at the first "=";
// a line without "=" stays in its section as a key without value; lines before the first
// section are ignored. Writing: the whole file at once, each section as "[name]", its lines
// and an empty line, CR LF; in the encoding it was read in (its byte-order mark kept), new
// files in Windows-1252 without a mark. The file is replaced atomically (in place where its
// directory takes no new file); a write-protected file is never written, nor is a file that is
// there but could not be read (larger than the read limit, or unreadable); a write that fails is
// silently given up.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return path_; }
    // Reads the file; a missing file reads as empty.
    void load();
    // The same from the file's bytes, and the bytes save() writes.
    void parse(const QByteArray& bytes);
    QByteArray bytes() const;
    // Reads the file again when its time stamp changed since it was read.
    void reloadIfChanged();
    // Writes the file (creating its directory); false when it was not written.
    bool save() const;
    bool isWriteProtected() const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    // An existing key keeps its place; a new key goes to the end of its section, a new
    // section to the end of the file.
    void setValue(const QString& section, const QString& key, const QString& value);

    // The file's text as save() writes it.
    QString text() const;

private:
    struct Line {
        QString key;
        QString value;
        bool hasValue = true;
    };
    struct Section {
        QString name;
        std::vector<Line> lines;
    };

    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;

    QString path_;
    std::vector<Section> sections_;
    TextEncoding encoding_ = TextEncoding::Ansi;
    bool unread_ = false; // the file is there but was not read: it is never written
    mutable QDateTime stamp_;
};

} // namespace abgleich
