// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace abgleich {

// A window's placement as the settings file keeps it, in the terms of the Windows window
// placement record, so that a file written on a bench PC is read and written alike here.
//
// How it maps on Linux (Qt, X11 or Wayland):
// - showCmd: 1 normal, 2 minimised, 3 maximised, from the window state.
// - flags: the placement flags have no meaning here; the value of a stored placement that is
//   applied is kept and written back unchanged (0 for a new file, or when the stored
//   placement is not applied).
// - minPosition, maxPosition: Linux window managers choose where minimised and maximised
//   windows go; the values of an applied placement are kept and written back unchanged (-1
//   for a new file, or when the stored placement is not applied).
// - normal: the window's normal (restored) geometry in screen pixels, left, top, right and
//   bottom with right and bottom just outside, as Windows counts them.
struct WindowPlacement {
    int showCmd = 1;
    int flags = 0;
    QPoint minPosition{-1, -1};
    QPoint maxPosition{-1, -1};
    QRect normal;
};

enum ShowCmd { kShowNormal = 1, kShowMinimised = 2, kShowMaximised = 3 };

// The window's placement now (flags and positions taken from `kept`).
WindowPlacement currentPlacement(const QWidget& window, const WindowPlacement& kept);
// The show state a stored show command stands for: 1, 5, 9 normal; 2, 6, 7 minimised;
// 3 maximised; every other value normal.
int showStateOf(int storedShowCmd);
// Whether a stored normal rectangle may be applied: left below right, and its top-left
// corner and the point one pixel inside its bottom-right corner each on a monitor.
bool placementOnMonitors(const QRect& normal);

// The whole desktop (all monitors together) and the screen's logical pixels per inch.
QSize desktopSize();
// The work area of the primary screen (without task bars).
QSize screenWorkArea();
// Whether a window of this size fits the work area of the screen it starts on.
bool fitsWorkArea(const QRect& normal);
int pixelsPerInch();

// "x,y,x,y" and "left,top,right,bottom" texts.
QString positionsText(QPoint first, QPoint second);
QString rectText(const QRect& rect);

} // namespace abgleich
