#include "benchdevice.h"

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

QString correctionReply(const BenchDevice& device) {
    QString reply = QStringLiteral("U%1,%2,%3,%4,%5")
                        .arg(device.id, device.type, device.version, device.lastCorrection)
                        .arg(device.points.size());
    for (const SimPoint& p : device.points)
        reply += QStringLiteral(",%1,%2,%3,%4").arg(p.name, p.unit).arg(p.a1000).arg(p.b1000);
    reply += QStringLiteral(",#");
    return reply;
}

} // namespace abgleich::sim
