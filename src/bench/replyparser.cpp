// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "bench/replyparser.h"

#include "core/fields.h"
#include "core/numbers.h"
#include "table/coefficientstore.h"

#include <algorithm>

namespace abgleich {

namespace {

// Field 4, "yymmddhhnnss", as the regional settings read a date and time.
LastCorrection lastCorrectionFrom(QStringView f, const RegionalSettings& rs) {
    QString text;
    for (const QStringView part :
         {f.sliced(4, 2), QStringView(u"."), f.sliced(2, 2), QStringView(u".20"), f.sliced(0, 2),
          QStringView(u" "), f.sliced(6, 2), QStringView(u":"), f.sliced(8, 2), QStringView(u":"),
          f.sliced(10, 2)})
        text += part;
    if (const auto when = rs.parseDateTime(text))
        return LastCorrection::known(*when);
    return LastCorrection::unknown();
}

// A name or unit as the table shows it, a blank on either side.
QString padded(QStringView text) {
    QString cell(text.size() + 2, Qt::Uninitialized);
    QChar* out = cell.data();
    out[0] = u' ';
    std::copy(text.begin(), text.end(), out + 1);
    out[text.size() + 1] = u' ';
    return cell;
}

// A record whose coefficient field cannot be read ends with that point.
ControllerRecord recordFrom(const FieldList& fields, int count, const RegionalSettings& rs) {
    ControllerRecord record;
    record.geraeteId = fields.field(1).toString();
    record.geraetetyp = fields.field(2).toString();
    record.spsVersion = fields.field(3).toString();
    if (const QStringView date = fields.field(4); date.size() == 12)
        record.lastCorrection = lastCorrectionFrom(date, rs);
    record.countText = fields.field(5).toString();
    record.count = count;
    record.points.reserve(std::size_t(count));
    for (int k = 1; k <= count; ++k) {
        ControllerRecord::Point& point = record.points.emplace_back();
        const QStringView name = fields.field(4 * k + 2);
        point.name = padded(name);
        point.offset = isOffsetPoint(name);
        point.unit = padded(fields.field(4 * k + 3));
        const auto a = tryStrToFloat(fields.field(4 * k + 4), rs);
        if (a)
            point.a = *a / 1000.0;
        const auto b = a && !point.offset ? tryStrToFloat(fields.field(4 * k + 5), rs)
                                          : std::optional<double>();
        if (b)
            point.b = *b / 1000.0;
        if (!a || (!point.offset && !b)) {
            record.brokeOff = true;
            break;
        }
    }
    return record;
}

// Called where a call waits for more text.
void boundBuffer(ReceiveBuffer& rx) {
    if (rx.empfangen.size() > kMaxReceiveBuffer)
        rx.clear();
}

} // namespace

bool isCmdLetter(QChar expectedReply) {
    return expectedReply >= u'A' && expectedReply <= u'Z';
}

std::optional<ReplyFrame> takeFrame(ReceiveBuffer& rx) {
    QString& buffer = rx.empfangen;
    if (rx.searched > buffer.size())
        rx.searched = 0;
    if (buffer.isEmpty())
        return std::nullopt;
    if (buffer.front() == u'#') {
        buffer.remove(0, 1);
        rx.searched = 0;
    }
    // Only text beyond what earlier calls searched can hold a new "?" or "#".
    const QStringView fresh = QStringView(buffer).sliced(rx.searched);
    if (fresh.contains(u'?')) {
        rx.clear();
        return std::nullopt;
    }
    const qsizetype freshHash = fresh.indexOf(u'#');
    const qsizetype hash = freshHash < 0 ? -1 : rx.searched + freshHash;
    rx.searched = hash < 0 ? buffer.size() : hash;
    const qsizetype letter =
        hash >= 1 && isCmdLetter(rx.expectedReply) ? buffer.indexOf(rx.expectedReply) : -1;
    if (hash < 1 || letter < 0) {
        boundBuffer(rx);
        return std::nullopt;
    }
    qsizetype start = letter;
    if (hash < letter) {
        buffer.remove(0, letter);
        rx.searched = 0;
        start = 0;
    }
    const qsizetype end = buffer.indexOf(u'#', start + 1);
    if (end < 0) {
        boundBuffer(rx);
        return std::nullopt;
    }
    ReplyFrame frame{buffer[start], buffer.sliced(start + 1, end - start - 1)};
    rx.expectedReply = QChar(0);
    buffer.remove(0, end + 1);
    rx.searched = 0;
    return frame;
}

CorrectionReply parseCorrectionReply(QStringView body, const RegionalSettings& rs) {
    if (body.startsWith(u'E'))
        return ControllerError{body.sliced(1).toString()};
    if (body.startsWith(u'F'))
        return UploadAcknowledged{};
    const FieldList fields(body, QChar(u','));
    const QString countText = fields.field(5).toString();
    const auto count = tryStrToInt(countText);
    if (!count || *count < 0 || *count > CoefficientStore::kSlots)
        return UnusableCount{countText};
    return recordFrom(fields, *count, rs);
}

} // namespace abgleich
