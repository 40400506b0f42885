// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/anchoredpanel.h"

#include <QResizeEvent>

namespace abgleich {

AnchoredPanel::AnchoredPanel(const QString& name, QSize designSize, QWidget* parent)
    : QWidget(parent), design_(designSize) {
    setObjectName(name);
    resize(designSize);
}

void AnchoredPanel::place(QWidget* control, QRect design, int anchors) {
    control->setParent(this);
    items_.push_back({control, design, anchors});
    apply(items_.back());
}

AnchoredPanel::Item* AnchoredPanel::find(QWidget* control) {
    for (Item& item : items_) {
        if (item.control == control)
            return &item;
    }
    return nullptr;
}

void AnchoredPanel::setControlLeft(QWidget* control, int left) {
    if (Item* item = find(control)) {
        const bool followsRight = (item->anchors & Right) && !(item->anchors & Left);
        item->design.moveLeft(left - (followsRight ? width() - design_.width() : 0));
        apply(*item);
    }
}

void AnchoredPanel::setControlTop(QWidget* control, int top) {
    if (Item* item = find(control)) {
        const bool followsBottom = (item->anchors & Bottom) && !(item->anchors & Top);
        item->design.moveTop(top - (followsBottom ? height() - design_.height() : 0));
        apply(*item);
    }
}

void AnchoredPanel::apply(const Item& item) {
    const int dw = width() - design_.width();
    const int dh = height() - design_.height();
    QRect r = item.design;
    if ((item.anchors & Right) && (item.anchors & Left))
        r.setWidth(std::max(0, r.width() + dw));
    else if (item.anchors & Right)
        r.moveLeft(r.left() + dw);
    if ((item.anchors & Bottom) && (item.anchors & Top))
        r.setHeight(std::max(0, r.height() + dh));
    else if (item.anchors & Bottom)
        r.moveTop(r.top() + dh);
    item.control->setGeometry(r);
}

void AnchoredPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (const Item& item : items_)
        apply(item);
}

} // namespace abgleich
