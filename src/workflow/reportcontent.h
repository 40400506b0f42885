#pragma once

#include "records/adjustmentreport.h"
#include "state/workingstate.h"

namespace abgleich {

// The report of points 1..count of the table as it stands. Deviations before are tm - Ref;
// the raw values for the chart use the coefficients of the store, as the recalculation does
// (so the report of an upload is built before the upload changes the store). Never raises
// for a point whose values cannot be converted: that part of its chart stays empty.
AdjustmentReport buildAdjustmentReport(WorkingState& state, int count, bool uploaded);

} // namespace abgleich
