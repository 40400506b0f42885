#include "bench/replyparser.h"

#include "core/fields.h"
#include "core/numbers.h"
#include "table/coefficientstore.h"

#include <exception>

namespace abgleich {

namespace {

// A point whose name begins with "of" in any letter case; the controller keeps no gain for it.
bool isOffsetPoint(QStringView name) {
    return name.first(qMin<qsizetype>(2, name.size())).compare(u"of", Qt::CaseInsensitive) == 0;
}

QString padded(QStringView text) {
    QString cell(u' ');
    cell += text;
    cell += u' ';
    return cell;
}

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

// The record's fields into the device fields, the table and the store. Returns early, with
// everything written so far kept, at the first field that cannot be read.
void fillFromRecord(WorkingState& state, const FieldList& fields, int count) {
    DeviceFields& device = state.device;
    device.geraeteId = fields.field(1).toString();
    device.geraetetyp = fields.field(2).toString();
    device.spsVersion = fields.field(3).toString();
    if (const QStringView date = fields.field(4); date.size() == 12)
        device.lastCorrection = lastCorrectionFrom(date, state.regional);

    device.anzMS = fields.field(5).toString();
    state.anzMS = count;
    state.msUpperBound = count;

    PointTable& table = state.table;
    BatchUpdate batch(table);
    // Until the last point has been read, the table holds a broken-off list.
    state.readBrokeOff = true;
    table.clear();
    table.setRows(state.anzMS + 1);
    table.writeHeaderRow();
    table.writeRowNumbers();
    for (int k = 1; k <= state.anzMS; ++k) {
        const QStringView name = fields.field(4 * k + 2);
        const bool offset = isOffsetPoint(name);
        table.setCellText(Col::Name, k, padded(name));
        if (offset) {
            table.setCellText(Col::ANeu, k, QString());
            table.setCellText(Col::BNeu, k, QString());
        }
        table.setCellText(Col::Unit, k, padded(fields.field(4 * k + 3)));

        const auto a = tryStrToFloat(fields.field(4 * k + 4), state.regional);
        if (!a)
            return;
        state.coef.setA(k, *a / 1000.0);
        if (!offset) {
            const auto b = tryStrToFloat(fields.field(4 * k + 5), state.regional);
            if (!b)
                return;
            state.coef.setB(k, *b / 1000.0);
        }
        table.setCellNumber(Col::ASps, k, state.coef.a(k));
        table.setCellNumber(Col::ANeu, k, state.coef.a(k));
        if (offset) {
            table.setCellText(Col::BSps, k, QString());
            table.setCellText(Col::BNeu, k, QString());
        } else {
            table.setCellNumber(Col::BSps, k, state.coef.b(k));
            table.setCellNumber(Col::BNeu, k, state.coef.b(k));
        }
    }
    state.readBrokeOff = false;
    state.clearChartSeries();
}

void interpretCorrectionRecord(WorkingState& state, OperatorDialogs& dialogs, QStringView body) {
    if (body.startsWith(u'E')) {
        dialogs.showMessage(QStringLiteral("Fehler ") + body.sliced(1).toString());
        return;
    }
    if (body.startsWith(u'F'))
        return;
    const FieldList fields(body, QChar(u','));
    // A record whose point count the table and the store cannot take as a whole changes
    // nothing, device fields included: they would name a device whose points are not shown,
    // and the next upload would send that device another one's coefficients.
    const QString countText = fields.field(5).toString();
    const auto count = tryStrToInt(countText);
    if (!count || *count < 0 || *count > CoefficientStore::kSlots) {
        dialogs.showErrorBox(QStringLiteral("Die SPS meldet eine ungültige Anzahl Messstellen: "
                                            "'%1' (möglich sind 0 bis %2)")
                                 .arg(countText)
                                 .arg(CoefficientStore::kSlots));
        return;
    }
    try {
        fillFromRecord(state, fields, *count);
    } catch (const std::exception&) {
        // A record that cannot be read ends silently; what it wrote stays.
    }
    state.notifyDeviceFieldsChanged();
}

// Called where a call waits for more text.
void boundBuffer(QString& buffer) {
    if (buffer.size() > kMaxReceiveBuffer)
        buffer.clear();
}

} // namespace

bool isCmdLetter(QChar expectedReply) {
    return expectedReply >= u'A' && expectedReply <= u'Z';
}

void processReceived(WorkingState& state, OperatorDialogs& dialogs) {
    QString& buffer = state.empfangen;
    if (buffer.isEmpty())
        return;
    if (buffer.front() == u'#')
        buffer.remove(0, 1);
    if (buffer.contains(u'?')) {
        buffer.clear();
        return;
    }
    const qsizetype letter =
        isCmdLetter(state.expectedReply) ? buffer.indexOf(state.expectedReply) : -1;
    const qsizetype hash = buffer.indexOf(u'#');
    if (hash < 1 || letter < 0) {
        boundBuffer(buffer);
        return;
    }
    qsizetype start = letter;
    if (hash < letter) {
        buffer.remove(0, letter);
        start = 0;
    }
    const qsizetype end = buffer.indexOf(u'#', start + 1);
    if (end < 0) {
        boundBuffer(buffer);
        return;
    }
    const QChar replyLetter = buffer[start];
    const QString body = buffer.sliced(start + 1, end - start - 1);
    state.expectedReply = QChar(0);
    buffer.remove(0, end + 1);
    if (body.isEmpty() || replyLetter != u'U')
        return;
    interpretCorrectionRecord(state, dialogs, body);
}

} // namespace abgleich
