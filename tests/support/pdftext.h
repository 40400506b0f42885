// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QString>

namespace abgleich::test {

// The text of a PDF as pdftotext (poppler-utils) lays it out, each run of blanks made one
// blank; every page ends in a form feed. A failure of pdftotext fails the test.
QString pdfText(const QByteArray& pdf);

} // namespace abgleich::test
