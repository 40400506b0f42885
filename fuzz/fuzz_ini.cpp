// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The settings file: any bytes read, written and read again give the same keys and values.
#include "fuzzsupport.h"
#include "records/inifile.h"

#include <cstdint>

using namespace abgleich;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IniFile first{QString()};
    first.parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    first.setValue(QStringLiteral("FoAbgleich"), QStringLiteral("FormVersion"),
                   QStringLiteral("0"));
    const QByteArray written = first.bytes();
    IniFile second{QString()};
    second.parse(written);
    fuzz::check(second.bytes() == written, "read what was written");
    fuzz::check(second.value(QStringLiteral("foabgleich"), QStringLiteral("formversion")) ==
                    QStringLiteral("0"),
                "keys found without letter case");
    return 0;
}
