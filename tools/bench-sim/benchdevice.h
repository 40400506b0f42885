#pragma once

#include <QString>

#include <vector>

namespace abgleich::sim {

// One measuring point as the controller holds it: a and b times 1000.
struct SimPoint {
    QString name;
    QString unit;
    int a1000;
    int b1000;
};

// The device a simulated controller plays.
struct BenchDevice {
    QString id;
    QString type;
    QString version;
    QString lastCorrection; // yymmddhhnnss
    std::vector<SimPoint> points;
};

// A realistic bench of 40 points, some of them offset points.
BenchDevice defaultDevice();

// The correction-data reply "U…#" for a device, as text.
QString correctionReply(const BenchDevice& device);

} // namespace abgleich::sim
