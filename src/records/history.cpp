// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "records/history.h"

#include "core/text.h"
#include "records/csvimport.h"
#include "records/textfile.h"
#include "state/loadedrecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstdlib>

namespace abgleich {

namespace {

// Names and units repeat in every upload; each distinct text is kept once.
class TextPool {
public:
    QString get(QStringView text) {
        const auto found = pool_.constFind(text);
        if (found != pool_.cend())
            return found.value();
        const QString kept = text.toString();
        // The key looks into the kept text's own characters, which never change.
        pool_.insert(QStringView(kept), kept);
        return kept;
    }

private:
    QHash<QStringView, QString> pool_;
};

std::optional<qint64> wholeNumber(QStringView text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<LoggedRecord> parseRecord(QStringView line, TextPool& pool) {
    if (line.size() < 2 || line.front() != u'U' || line.back() != u';')
        return std::nullopt;
    QStringView rest = line.sliced(1, line.size() - 2);
    const auto next = [&rest](QStringView& field) {
        if (rest.data() == nullptr)
            return false;
        const qsizetype comma = rest.indexOf(u',');
        field = comma < 0 ? rest : rest.first(comma);
        rest = comma < 0 ? QStringView() : rest.sliced(comma + 1);
        return true;
    };
    QStringView id, type, version, date, countText;
    if (!next(id) || !next(type) || !next(version) || !next(date) || !next(countText))
        return std::nullopt;
    const auto count = wholeNumber(countText);
    // Every point takes at least five characters (",,0,0"): a larger count cannot be right.
    if (!count || *count < 0 || *count > rest.size())
        return std::nullopt;
    LoggedRecord record;
    record.deviceId = id.toString();
    record.deviceType = type.toString();
    record.points.reserve(std::size_t(*count));
    for (qint64 k = 0; k < *count; ++k) {
        QStringView name, unit, a, b;
        if (!next(name) || !next(unit) || !next(a) || !next(b))
            return std::nullopt;
        const auto a1000 = wholeNumber(a);
        const auto b1000 = wholeNumber(b);
        if (!a1000 || !b1000)
            return std::nullopt;
        record.points.push_back({pool.get(name), pool.get(unit), *a1000, *b1000});
    }
    if (rest.data() != nullptr) // more fields than the count says
        return std::nullopt;
    return record;
}

// The date-and-time line of an upload: the regional date and time, one blank, the comment.
class HeaderReader {
public:
    explicit HeaderReader(const RegionalSettings& rs) : rs_(rs) {
        // As many blanks as the regional date and time hold stand before the comment.
        blanks_ =
            int(rs.formatDateTime(QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59))).count(u' '));
    }

    struct Header {
        QDateTime when;
        QString comment;
    };

    std::optional<Header> read(QStringView line) const {
        // Cheap test first: a date begins with a digit.
        if (line.isEmpty() || !line.front().isDigit())
            return std::nullopt;
        qsizetype end = -1;
        for (int b = 0; b <= blanks_; ++b) {
            end = line.indexOf(u' ', end + 1);
            if (end < 0) {
                if (b < blanks_)
                    return std::nullopt;
                end = line.size();
                break;
            }
        }
        const auto when = rs_.parseDateTime(line.first(end));
        if (!when)
            return std::nullopt;
        return Header{*when, end < line.size() ? line.sliced(end + 1).toString() : QString()};
    }

private:
    const RegionalSettings& rs_;
    int blanks_ = 1;
};

} // namespace

std::optional<LoggedRecord> parseUploadRecord(QStringView line) {
    TextPool pool;
    return parseRecord(line, pool);
}

QString unreadableText(const UnreadableEntry& entry) {
    const QString where =
        entry.lines > 1
            ? QStringLiteral("Zeilen %1–%2").arg(entry.line).arg(entry.line + entry.lines - 1)
            : QStringLiteral("Zeile %1").arg(entry.line);
    QString first = entry.firstLine;
    if (first.size() > 80)
        first = first.first(80) + QStringLiteral("…");
    return QStringLiteral("%1: „%2“ (%3)").arg(where, first, entry.why);
}

ParsedLog parseChangeLog(QStringView text, const RegionalSettings& rs, const KnownUpload& known) {
    ParsedLog log;
    const HeaderReader headers(rs);
    TextPool pool;
    struct Line {
        int number;
        QStringView text;
        std::optional<HeaderReader::Header> header;
    };
    // The entry being read: its date line and the lines after it, until its record comes.
    std::vector<Line> open;
    // Lines outside any entry, listed together while they follow each other.
    std::optional<UnreadableEntry> stray;
    const auto endStray = [&] {
        if (stray)
            log.unreadable.push_back(*stray);
        stray.reset();
    };
    const auto unreadable = [&](const Line* first, int count, const QString& why) {
        log.unreadable.push_back({first->number, count, first->text.toString(), why});
    };
    const QString brokeOff = QStringLiteral("Eintrag ohne Datensatz, abgebrochen");

    int number = 0;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.sliced(start, end - start);
        ++number;
        // A line ends at CR LF, CR or LF; a break after the last line starts no further one.
        start = end;
        if (start < text.size())
            start +=
                text[start] == u'\r' && start + 1 < text.size() && text[start + 1] == u'\n' ? 2 : 1;

        if (auto record = parseRecord(line, pool)) {
            if (open.empty()) {
                endStray();
                log.unreadable.push_back(
                    {number, 1, line.toString(), QStringLiteral("Datensatz ohne Datumszeile")});
                continue;
            }
            // Which date line the entry begins with: by time order (a later date line starts
            // a new entry, an earlier one is a comment line), unless the records hold the
            // upload under another of its date lines.
            std::size_t first = 0;
            for (std::size_t k = 1; k < open.size(); ++k)
                if (open[k].header && open[k].header->when >= open[first].header->when)
                    first = k;
            if (known && !known(open[first].header->when, line))
                for (std::size_t k = open.size(); k-- > 0;)
                    if (open[k].header && known(open[k].header->when, line)) {
                        first = k;
                        break;
                    }
            if (first > 0)
                unreadable(&open[0], int(first), brokeOff);
            LoggedUpload upload{open[first].header->when, open[first].header->comment,
                                std::move(*record), line.toString(), open[first].number};
            for (std::size_t k = first + 1; k < open.size(); ++k) {
                upload.comment += u'\n';
                upload.comment += open[k].text;
            }
            log.uploads.push_back(std::move(upload));
            open.clear();
            continue;
        }
        auto header = headers.read(line);
        if (header || !open.empty()) {
            endStray();
            open.push_back({number, line, std::move(header)});
            continue;
        }
        if (trimBlanksAndControls(line).isEmpty()) {
            endStray();
            continue;
        }
        if (stray)
            ++stray->lines;
        else
            stray = UnreadableEntry{number, 1, line.toString(),
                                    QStringLiteral("gehört zu keinem Eintrag")};
    }
    endStray();
    if (!open.empty())
        unreadable(&open[0], int(open.size()), brokeOff);
    return log;
}

QString thousandthsText(qint64 value) {
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    return (value < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 1000) +
           u'.' + QStringLiteral("%1").arg(magnitude % 1000, 3, 10, QChar(u'0'));
}

std::vector<int> matchingRows(const PointTable& table, const LoggedRecord& record) {
    QHash<QString, std::vector<int>> rowsByName;
    for (int row = 1; row < table.rows(); ++row) {
        const QStringView name = trimBlanksAndControls(table.cellText(Col::Name, row));
        if (!name.isEmpty())
            rowsByName[name.toString()].push_back(row);
    }
    QHash<QString, std::size_t> used;
    std::vector<int> rows;
    rows.reserve(record.points.size());
    for (const LoggedPoint& point : record.points) {
        const auto found = rowsByName.constFind(point.name);
        std::size_t& next = used[point.name];
        rows.push_back(found != rowsByName.cend() && next < found->size() ? (*found)[next++] : 0);
    }
    return rows;
}

TakeOverResult takeOverUpload(WorkingState& state, const LoggedRecord& upload) {
    TakeOverResult result;
    PointTable& table = state.table;
    const std::vector<int> rows = matchingRows(table, upload);
    std::vector<bool> taken(std::size_t(std::max(table.rows(), 0)), false);
    BatchUpdate batch(table);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const LoggedPoint& point = upload.points[k];
        if (rows[k] == 0) {
            result.notInTable << point.name;
            continue;
        }
        setNewCoefficientText(table, Col::ANeu, rows[k], thousandthsText(point.a1000));
        // An offset point has no gain: its b (NEU) stays empty, as the controller's list and
        // the import leave it.
        setNewCoefficientText(table, Col::BNeu, rows[k],
                              isOffsetPoint(point.name) ? QString() : thousandthsText(point.b1000));
        // The remaining deviations were those of other coefficients.
        for (int column = Col::Diff1; column <= Col::Diff4; ++column)
            table.setCellText(column, rows[k], QString());
        bool hadPairs = false;
        for (int p = 1; p <= 4; ++p)
            for (const int column : {Col::ref(p), Col::tm(p)}) {
                hadPairs = hadPairs || !table.cellText(column, rows[k]).isEmpty();
                table.setCellText(column, rows[k], QString());
            }
        if (hadPairs)
            result.pairsEmptied << point.name;
        taken[std::size_t(rows[k])] = true;
        ++result.taken;
    }
    for (int row = 1; row < table.rows(); ++row) {
        const QStringView name = trimBlanksAndControls(table.cellText(Col::Name, row));
        if (!name.isEmpty() && !taken[std::size_t(row)])
            result.notInUpload << name.toString();
    }
    return result;
}

QString takeOverNotice(const TakeOverResult& result) {
    if (result.notInUpload.isEmpty() && result.notInTable.isEmpty() &&
        result.pairsEmptied.isEmpty())
        return {};
    QString text = result.taken == 0
                       ? QStringLiteral("Keine Messstelle der Tabelle kommt in dieser Übertragung "
                                        "vor; es wurde nichts übernommen.")
                       : QStringLiteral("Übernommen für %1 Messstelle(n).").arg(result.taken);
    if (result.taken > 0 && !result.notInUpload.isEmpty())
        text += QStringLiteral("\nNicht in dieser Übertragung (a (NEU), b (NEU) unverändert): ") +
                result.notInUpload.join(QStringLiteral(", "));
    if (!result.notInTable.isEmpty())
        text += QStringLiteral("\nNicht in der Tabelle: ") +
                result.notInTable.join(QStringLiteral(", "));
    if (!result.pairsEmptied.isEmpty())
        text += QStringLiteral("\nWertepaare geleert (gemessen mit anderen Koeffizienten): ") +
                result.pairsEmptied.join(QStringLiteral(", "));
    return text;
}

} // namespace abgleich
