// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace abgleich {

WindowPlacement currentPlacement(const QWidget& window, const WindowPlacement& kept) {
    WindowPlacement p = kept;
    if (window.isMinimized() || QGuiApplication::applicationState() == Qt::ApplicationHidden)
        p.showCmd = kShowMinimised;
    else if (window.isMaximized())
        p.showCmd = kShowMaximised;
    else
        p.showCmd = kShowNormal;
    const QRect normal = window.normalGeometry().isValid() && !window.normalGeometry().isEmpty()
                             ? window.normalGeometry()
                             : window.geometry();
    p.normal = normal;
    return p;
}

int showStateOf(int stored) {
    switch (stored) {
    case 2:
    case 6:
    case 7:
        return kShowMinimised;
    case 3:
        return kShowMaximised;
    default:
        return kShowNormal;
    }
}

bool placementOnMonitors(const QRect& normal) {
    if (normal.left() >= normal.left() + normal.width())
        return false;
    const QPoint corners[] = {normal.topLeft(),
                              normal.topLeft() + QPoint(normal.width() - 1, normal.height() - 1)};
    for (const QPoint& corner : corners) {
        bool on = false;
        for (const QScreen* screen : QGuiApplication::screens())
            on = on || screen->geometry().contains(corner);
        if (!on)
            return false;
    }
    return true;
}

QSize screenWorkArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}

bool fitsWorkArea(const QRect& normal) {
    const QScreen* screen = QGuiApplication::screenAt(normal.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return true;
    const QSize work = screen->availableGeometry().size();
    return normal.width() <= work.width() && normal.height() <= work.height();
}

QSize desktopSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry().size() : QSize();
}

int pixelsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->logicalDotsPerInch())) : 96;
}

QString positionsText(QPoint first, QPoint second) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(first.x())
        .arg(first.y())
        .arg(second.x())
        .arg(second.y());
}

QString rectText(const QRect& r) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(r.left())
        .arg(r.top())
        .arg(r.left() + r.width())
        .arg(r.top() + r.height());
}

} // namespace abgleich
