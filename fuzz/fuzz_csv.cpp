// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// The CSV import's line and field splitting, and the import of the lines into a window's
// working state.
#include "core/errors.h"
#include "fuzzsupport.h"
#include "records/csvimport.h"
#include "records/textfile.h"
#include "records/upload.h"

#include <cstdint>

using namespace abgleich;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = splitLines(decodeTextFile(bytes).text);
    for (const QString& line : lines) {
        fuzz::check(!line.contains(u'\r') && !line.contains(u'\n'), "lines without breaks");
        const QStringList fields = pointLineFields(line, u';');
        fuzz::check(fields.size() <= 4, "at most four fields");
        // A separator stays in a field only where quotes held it.
        for (const QString& field : fields)
            fuzz::check(!field.contains(u';') || line.contains(u'"'), "fields without separators");
    }
    WorkingState state(RegionalSettings::german());
    try {
        importCSVLines(state, lines);
        fuzz::check(state.table.rows() == state.anzMS + 1, "one row per point");
        // What the upload lets through it can send: every value scaled without an error.
        if (uploadRefusals(state.table, state.anzMS).isEmpty()) {
            state.device.anzMS = QString::number(state.anzMS);
            const UploadContent content = buildUpload(state, state.anzMS);
            fuzz::check(content.record.endsWith(u';'), "a whole record");
        }
    } catch (const AppError&) {
    }
    fuzz::check(state.anzMS >= 0 && state.anzMS <= CoefficientStore::kSlots, "point count");
    fuzz::check(state.table.batchDepth() == 0, "batch closed");
    return 0;
}
