// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

namespace abgleich::layout {

// The main window as designed, in pixels of its client area.
inline constexpr int kClientWidth = 1584;
inline constexpr int kClientHeight = 928;
inline constexpr int kDeviceHeight = 44;
inline constexpr int kOperationHeight = 38;
inline constexpr int kDataHeight = 594;
inline constexpr int kSplitterWidth = 5;
inline constexpr int kGridPanelWidth = 1077;
// What the settings file may set: a wider or narrower column, or a grid panel narrower than
// this, takes its default width instead.
inline constexpr int kMinColumnWidth = 10;
inline constexpr int kMaxColumnWidth = 1000;
inline constexpr int kMinGridPanelWidth = 100;
inline constexpr int kLogHeight =
    kClientHeight - kDeviceHeight - kOperationHeight - kDataHeight - kSplitterWidth;
// The smallest outer size 1600 x 722 less a usual frame.
inline constexpr int kMinClientWidth = 1584;
inline constexpr int kMinClientHeight = 683;
inline constexpr int kMaxClientHeight = 1881;

} // namespace abgleich::layout
