// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"

#include <QChar>
#include <QString>
#include <QStringView>

#include <vector>

namespace abgleich {

// A text cut at every occurrence of one separator character: not trimmed, no quoting; two
// adjacent separators give an empty field, a separator at the end a last, empty field.
// Fields are counted from 1; a field beyond the last is empty.
class FieldList {
public:
    FieldList(QStringView text, QChar separator);

    int count() const { return int(fields_.size()); }
    QStringView field(int n) const;

private:
    std::vector<QStringView> fields_;
};

// The n-th field of a text cut at separator; empty for an empty text or n < 1.
QString getField(QChar separator, int n, QStringView text);
QString getCommaField(QStringView text, int n);
// Cut at the regional list separator (";" on German systems).
QString getListField(QStringView text, int n, const RegionalSettings& rs);

} // namespace abgleich
