// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "workflow/workbench.h"

namespace abgleich::test {

// The application layer with its working state open to the test, for setting up what no
// operation can reach.
class TestWorkbench : public Workbench {
public:
    using Workbench::Workbench;
    using Workbench::workingState;
};

} // namespace abgleich::test
