// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace abgleich {

// Whole numbers as the operator types them: leading blanks, an optional sign, digits and
// nothing after them (a trailing blank fails), within the 32-bit range.
std::optional<int> tryStrToInt(QStringView text);
// The same; raises "'…' ist kein gültiger Integerwert" for anything else.
int strToInt(const QString& text);

// The one decimal-number grammar of the tool: optional leading blanks, an optional "+" or
// "-", digits with an optional separator and fraction (at least one digit in all), an
// optional exponent "E"/"e" with optional sign and digits; with trailingBlanks also blanks
// at the end. Nothing else may stand in the text, and the value must be finite.
std::optional<double> parseDecimal(QStringView text, QChar decimalSeparator, bool trailingBlanks);

// A number in the regional format: blanks at both ends, the regional decimal separator,
// an exponent, no thousands separators.
std::optional<double> tryStrToFloat(QStringView text, const RegionalSettings& rs);

// How a table cell's stored text reads as a number: empty and "-" read as 0; thousands
// separators are dropped and the decimal separator read as "."; anything that does not
// parse completely reads as 0. Never fails.
double readStoredNumber(QStringView text, const RegionalSettings& rs);

// Raises the error of a value that is no number: "Ungültige Gleitkommaoperation" for NaN,
// "Gleitkommadivision durch Null" for an infinity.
void requireFinite(double value);

// General format with up to 15 significant digits and no trailing zeros: "0,439", "1",
// "-1,5"; scientific ("3,5E-006") below 0.0001 or beyond 15 integer digits.
QString formatGeneral(double value, const RegionalSettings& rs);

// Fixed point with exactly three decimals, rounded half away from zero on the value's 15
// significant digits ("12,346"); scientific only beyond 15 integer digits.
QString formatFixed3(double value, const RegionalSettings& rs);

// A coefficient as the upload record carries it: times 1000, rounded to the nearest integer
// (halves to the even one). Nothing where that is no whole number the controller can hold
// (a signed 32-bit value) or the value is no number.
std::optional<qint32> recordThousandths(double value);
// The coefficient the controller gets for a computed value: rounded to three decimals as the
// table shows it (which is what the upload reads), then scaled as the record scales it, back
// in units; the value as shown where it cannot be scaled.
double asRecorded(double value);

} // namespace abgleich
