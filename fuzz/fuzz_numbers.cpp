// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The number rules. Input starting with an even byte: the rest is a cell's text (Windows-1252)
// read with storedNumber, normaliseCell and shownNumber under German and US settings.
// Otherwise the next eight bytes are a double written with setCellNumber and read back with
// storedNumber, which must give the value to 15 significant digits.
#include "core/ansicodec.h"
#include "core/errors.h"
#include "fuzzsupport.h"
#include "table/pointtable.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace abgleich;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const RegionalSettings german = RegionalSettings::german();
    static const RegionalSettings us =
        RegionalSettings::fromLocale(QLocale(QStringLiteral("en_US")));
    if (size == 0)
        return 0;
    for (const RegionalSettings* rs : {&german, &us}) {
        PointTable table(*rs);
        if (data[0] % 2 == 0) {
            const QString text = decodeAnsi(
                QByteArrayView(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
            table.setCellText(Col::Ref1, 1, text);
            fuzz::check(std::isfinite(table.storedNumber(Col::Ref1, 1)), "stored number finite");
            const QString shown = table.normaliseCell(Col::Ref1, 1);
            fuzz::check(table.normaliseCell(Col::Ref1, 1) == shown, "display rule settles");
            fuzz::check(std::isfinite(table.shownNumber(Col::Ref1, 1)), "shown number finite");
            table.setCellText(Col::Name, 1, text);
            fuzz::check(table.normaliseCell(Col::Name, 1) == text, "names are not normalised");
            continue;
        }
        if (size < 9)
            return 0;
        double value;
        std::memcpy(&value, data + 1, sizeof value);
        if (!std::isfinite(value)) {
            bool refused = false;
            try {
                table.setCellNumber(Col::ANeu, 1, value);
            } catch (const AppError&) {
                refused = true;
            }
            fuzz::check(refused, "no infinity or NaN written");
            continue;
        }
        table.setCellNumber(Col::ANeu, 1, value);
        const double back = table.storedNumber(Col::ANeu, 1);
        fuzz::check(std::fabs(back - value) <= std::fabs(value) * 1e-14 + 1e-300,
                    "15 significant digits");
    }
    return 0;
}
