// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// A change log of any bytes read and taken into a records database: the parser's entries
// hold whole records in line order, the import takes each distinct upload once and a second
// import nothing, and the chain it writes checks out.
#include "core/errors.h"
#include "fuzzsupport.h"
#include "records/logimport.h"
#include "records/textfile.h"

#include <QSet>

#include <cstdint>
#include <memory>

using namespace abgleich;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = decodeTextFile(bytes).text;
    const RegionalSettings german = RegionalSettings::german();

    // Entries whose record has an even length count as held by the records.
    const ParsedLog log = parseChangeLog(
        text, german, [](const QDateTime&, QStringView record) { return record.size() % 2 == 0; });
    int last = 0;
    for (const LoggedUpload& upload : log.uploads) {
        fuzz::check(upload.line > last, "entries in line order");
        last = upload.line;
        const auto record = parseUploadRecord(upload.recordText);
        fuzz::check(record && *record == upload.record, "the entry's record is its line");
        fuzz::check(upload.when.isValid(), "a valid time");
    }
    for (const UnreadableEntry& entry : log.unreadable) {
        fuzz::check(entry.line >= 1 && entry.lines >= 1, "unreadable lines named");
        fuzz::check(!unreadableText(entry).isEmpty(), "unreadable text");
    }

    // One database for the whole run; each input a device of its own.
    static const std::unique_ptr<RecordsDb> records =
        RecordsDb::openLocal(QStringLiteral(":memory:"));
    static int inputs = 0;
    const QString device = QStringLiteral("F%1").arg(++inputs);
    try {
        const LogImport first = importChangeLogText(*records, text, device, german);
        const LogImport again = importChangeLogText(*records, text, device, german);
        fuzz::check(again.imported == 0, "nothing taken in twice");
        fuzz::check(first.unreadable == again.unreadable, "the same entries unreadable");
        const ParsedLog plain = parseChangeLog(text, german);
        QSet<QPair<qint64, QString>> distinct;
        for (const LoggedUpload& upload : plain.uploads)
            distinct.insert({upload.when.toMSecsSinceEpoch(), upload.recordText});
        fuzz::check(first.imported <= int(distinct.size()), "each upload once");
        const DeviceHistory history = records->history(records->benchId(), device);
        fuzz::check(int(history.uploads.size()) == first.imported, "every upload listed");
        for (std::size_t k = 1; k < history.uploads.size(); ++k)
            fuzz::check(history.uploads[k - 1].ms <= history.uploads[k].ms, "time order");
        fuzz::check(records->verify(records->benchId(), device, QString()).ok, "a sound chain");
    } catch (const AppError&) {
        fuzz::check(false, "no database error");
    }
    return 0;
}
