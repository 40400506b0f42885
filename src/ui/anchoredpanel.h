// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QRect>
#include <QWidget>

#include <vector>

namespace abgleich {

// A panel whose controls stand at fixed pixel positions and keep their distance to the
// edges they are anchored to when the panel is resized: anchored left and right, a control
// grows with the panel; anchored right only, it moves with the right edge.
class AnchoredPanel : public QWidget {
    Q_OBJECT

public:
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };

    AnchoredPanel(const QString& name, QSize designSize, QWidget* parent = nullptr);

    // Places a child at its design rectangle (relative to the design size).
    void place(QWidget* control, QRect design, int anchors = Left | Top);
    // Moves a control to a left or top edge in the panel as it is now (the stored Left and
    // Top of a control); its anchors keep it there relative to the edges it follows.
    void setControlLeft(QWidget* control, int left);
    void setControlTop(QWidget* control, int top);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item {
        QWidget* control;
        QRect design;
        int anchors;
    };
    Item* find(QWidget* control);
    void apply(const Item& item);

    QSize design_;
    std::vector<Item> items_;
};

} // namespace abgleich
