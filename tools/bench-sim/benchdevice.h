// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace abgleich::sim {

// One measuring point as the controller holds it: a and b times 1000.
struct SimPoint {
    QString name;
    QString unit;
    int a1000;
    int b1000;
    bool operator==(const SimPoint&) const = default;
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

// Reads a device file (UTF-8): "key=value" lines for id, type, version and date, and one
// "point=name;unit;a*1000;b*1000" line per point; "#" starts a comment. Returns nothing and
// an error text for a file that cannot be read.
std::optional<BenchDevice> loadDevice(const QString& path, QString* error);

// The correction-data reply "U…#" for a device, as text.
QString correctionReply(const BenchDevice& device);

// Takes an upload record (without its ";") into the device: ID, type and points. Returns
// false, leaving the device unchanged, for a record that cannot be read.
bool applyUpload(BenchDevice& device, const QString& record);

} // namespace abgleich::sim
