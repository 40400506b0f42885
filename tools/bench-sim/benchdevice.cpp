// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "benchdevice.h"

#include "core/fields.h"
#include "core/numbers.h"

#include <QFile>

namespace abgleich::sim {

BenchDevice defaultDevice() {
    BenchDevice device{QStringLiteral("4711"),
                       QStringLiteral("ZYK12"),
                       QStringLiteral("317"),
                       QStringLiteral("240611093012"),
                       {}};
    const struct {
        const char* name;
        const char* unit;
    } kinds[] = {
        {"Temperatur Öl %1", "°C"}, {"Druck Pumpe %1", "bar"}, {"of Druck %1", "bar"},
        {"Durchfluss %1", "l/min"}, {"Spannung NT %1", "V"},   {"Strom NT %1", "A"},
        {"Drehzahl %1", "1/min"},   {"Offset Kraft %1", "kN"},
    };
    for (int k = 1; k <= 40; ++k) {
        const auto& kind = kinds[(k - 1) % 8];
        const int group = (k - 1) / 8 + 1;
        device.points.push_back({QString::fromUtf8(kind.name).arg(group),
                                 QString::fromUtf8(kind.unit), (k * 37) % 900 - 450,
                                 1000 + (k * 13) % 21 - 10});
    }
    return device;
}

std::optional<BenchDevice> loadDevice(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return std::nullopt;
    }
    BenchDevice device;
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        const QString key = line.left(eq).trimmed();
        const QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        if (key == u"id") {
            device.id = value;
        } else if (key == u"type") {
            device.type = value;
        } else if (key == u"version") {
            device.version = value;
        } else if (key == u"date") {
            device.lastCorrection = value;
        } else if (key == u"point") {
            const QStringList parts = value.split(u';');
            const auto a = parts.size() == 4 ? tryStrToInt(parts[2]) : std::nullopt;
            const auto b = parts.size() == 4 ? tryStrToInt(parts[3]) : std::nullopt;
            if (!a || !b) {
                *error = QStringLiteral("line %1: point=name;unit;a*1000;b*1000").arg(lineNo);
                return std::nullopt;
            }
            device.points.push_back({parts[0], parts[1], *a, *b});
        } else {
            *error = QStringLiteral("line %1: unknown key '%2'").arg(lineNo).arg(key);
            return std::nullopt;
        }
    }
    return device;
}

QString correctionReply(const BenchDevice& device) {
    QString reply = QStringLiteral("U%1,%2,%3,%4,%5")
                        .arg(device.id, device.type, device.version, device.lastCorrection)
                        .arg(device.points.size());
    for (const SimPoint& p : device.points)
        reply += QStringLiteral(",%1,%2,%3,%4").arg(p.name, p.unit).arg(p.a1000).arg(p.b1000);
    reply += QStringLiteral(",#");
    return reply;
}

bool applyUpload(BenchDevice& device, const QString& record) {
    const FieldList fields(record, QChar(u','));
    const QStringView first = fields.field(1);
    const auto count = tryStrToInt(fields.field(5).toString());
    if (!first.startsWith(u'U') || !count || *count < 0 || fields.count() < 5 + 4 * *count)
        return false;
    std::vector<SimPoint> points;
    for (int k = 1; k <= *count; ++k) {
        const auto a = tryStrToInt(fields.field(4 * k + 4).toString());
        const auto b = tryStrToInt(fields.field(4 * k + 5).toString());
        if (!a || !b)
            return false;
        points.push_back(
            {fields.field(4 * k + 2).toString(), fields.field(4 * k + 3).toString(), *a, *b});
    }
    device.id = first.sliced(1).toString();
    device.type = fields.field(2).toString();
    device.points = std::move(points);
    return true;
}

} // namespace abgleich::sim
