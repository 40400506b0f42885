// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/fields.h"

namespace abgleich {

FieldList::FieldList(QStringView text, QChar separator) {
    fields_.reserve(std::size_t(text.count(separator)) + 1);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            fields_.push_back(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    fields_.push_back(text.sliced(start));
}

QStringView FieldList::field(int n) const {
    return n >= 1 && n <= count() ? fields_[std::size_t(n - 1)] : QStringView();
}

QString getField(QChar separator, int n, QStringView text) {
    return FieldList(text, separator).field(n).toString();
}

QString getCommaField(QStringView text, int n) {
    return getField(QChar(u','), n, text);
}

QString getListField(QStringView text, int n, const RegionalSettings& rs) {
    return getField(rs.listSeparator, n, text);
}

} // namespace abgleich
