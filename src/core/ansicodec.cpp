// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/ansicodec.h"

#include <array>

namespace abgleich {

namespace {

// Bytes 0x80..0x9F; the undefined ones keep their own value.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

char encodeOne(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QString decodeAnsi(QByteArrayView bytes) {
    // Every byte's character, looked up in one table.
    static const std::array<char16_t, 256> decoded = [] {
        std::array<char16_t, 256> table{};
        for (std::size_t b = 0; b < table.size(); ++b)
            table[b] = b >= 0x80 && b < 0xA0 ? kHighControlRange[b - 0x80] : char16_t(b);
        return table;
    }();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = decoded[in[i]];
    return text;
}

QByteArray encodeAnsi(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // A character outside the BMP is one character, so it becomes one "?".
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            bytes.append('?');
            continue;
        }
        bytes.append(encodeOne(c));
    }
    return bytes;
}

} // namespace abgleich
