// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/gridstyle.h"
#include "ui/pointgrid.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <vector>

namespace abgleich {

GridView::GridView(PointTable& table, QWidget* parent) : QTableView(parent), table_(table) {
    // The paint event fills every pixel: nothing to fill before, nothing below to show.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

GridView::ShapedText GridView::shape(const QString& text, const QFont& font) {
    ShapedText entry;
    entry.text.setTextFormat(Qt::PlainText);
    entry.text.setText(text);
    entry.text.prepare(QTransform(), font);
    entry.width = QFontMetricsF(font).horizontalAdvance(text);
    entry.advance = QFontMetrics(font).horizontalAdvance(text);
    entry.breaksLines = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c < u' ' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
               c == QChar(0x85);
    });
    return entry;
}

const GridView::ShapedText& GridView::shaped(const QString& text, std::size_t face) {
    // Kept per text and face for the font in use (see paintEvent); a store starts again when
    // it holds more than twice the cells the view last painted (and at least 2,048 texts).
    if (faces_.empty()) {
        faces_ = PointGrid::cellFaces(shapedFont_);
        shaped_.assign(faces_.size(), {});
    }
    QHash<QString, ShapedText>& store = shaped_[face];
    if (store.size() > std::max(2048, 2 * cellsPainted_))
        store.clear();
    auto it = store.find(text);
    if (it == store.end())
        it = store.insert(text, shape(text, faces_[face]));
    return *it;
}

void GridView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect area = event->rect();
    const QBrush empty = viewport()->palette().brush(viewport()->backgroundRole());
    const int rowCount = model()->rowCount();
    // The view's rows and columns that meet the area to paint.
    const int top = rowAt(area.top());
    if (rowCount == 0 || top < 0) {
        painter.fillRect(area, empty);
        return;
    }
    const int bottom = rowAt(area.bottom()) < 0 ? rowCount - 1 : rowAt(area.bottom());
    const int rowsTop = rowViewportPosition(top);
    const int rowsBottom = rowViewportPosition(bottom) + rowHeight(bottom);
    // The table's right edge; beyond it and below the last row the view is empty. (The
    // viewport does not fill its background first: every other pixel is painted below.)
    const int right =
        qMin(area.right(), horizontalHeader()->length() - horizontalHeader()->offset() - 1);
    for (const QRect& rest : QRegion(area).subtracted(
             QRect(area.left(), rowsTop, right - area.left() + 1, rowsBottom - rowsTop))) {
        painter.fillRect(rest, empty);
    }

    // The selection as ranges of view rows and columns, and the cell that has the focus.
    struct Range {
        int top, bottom, left, right;
    };
    std::vector<Range> selected;
    if (selectionModel()) {
        for (const QItemSelectionRange& range : selectionModel()->selection())
            selected.push_back({range.top(), range.bottom(), range.left(), range.right()});
    }
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const auto isSelected = [&selected](int row, int column) {
        return std::any_of(selected.begin(), selected.end(), [&](const Range& r) {
            return row >= r.top && row <= r.bottom && column >= r.left && column <= r.right;
        });
    };

    // The columns that meet the area.
    struct Column {
        int index, x, width;
        QColor background;
        Qt::Alignment alignment;
    };
    std::vector<Column> columns;
    for (int column = 0; column < Col::Count; ++column) {
        if (isColumnHidden(column))
            continue;
        const int x = columnViewportPosition(column);
        const int width = columnWidth(column);
        if (x + width > area.left() && x <= area.right())
            columns.push_back({column, x, width, gridstyle::cellBackground(column, palette()),
                               gridstyle::columnAlignment(column)});
    }
    QColor line;
    if (showGrid()) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        line = QColor::fromRgba(
            QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    }
    // Grid lines end at the area and at the table's extent.
    const int lowest =
        qMin(area.bottom(), verticalHeader()->length() - verticalHeader()->offset() - 1);

    const QFontMetricsF metrics(font());
    const qreal textHeight = qCeil(metrics.leading()) + metrics.ascent() + metrics.descent();
    if (shapedFont_ != font() || faces_.empty()) {
        shapedFont_ = font();
        faces_ = PointGrid::cellFaces(shapedFont_);
        shaped_.assign(faces_.size(), {});
        lastShown_.clear();
    }
    lastShown_.resize(std::max(lastShown_.size(), std::size_t(bottom + 1) * Col::Count));
    const ShapedText marker = shaped(QString::fromLatin1(PointGrid::kCutMarker));
    const QColor black(Qt::black), white(Qt::white);
    // A few rows at a time, so that the pixels a text is blended into were filled only just
    // before and are still in the processor's cache: a band of rows takes up to 256 KiB.
    const int bandRows =
        std::max(1, (256 << 10) / std::max(1, 4 * viewport()->width() * rowHeight(top)));
    int painted = 0;
    for (int first = top; first <= bottom; first += bandRows) {
        const int lastRow = std::min(bottom, first + bandRows - 1);
        const int bandTop = rowViewportPosition(first);
        const int bandBottom = rowViewportPosition(lastRow) + rowHeight(lastRow);
        for (const Column& column : columns) {
            // One stripe in the column's colour; grid lines take the last pixel of each cell.
            painter.fillRect(QRect(column.x, bandTop, column.width - 1, bandBottom - bandTop),
                             column.background);
            for (int row = first; row <= lastRow; ++row) {
                const QRect cell(column.x, rowViewportPosition(row), column.width - 1,
                                 rowHeight(row) - 1);
                const bool focused =
                    focus && current.row() == row && current.column() == column.index;
                if (focused || isSelected(row, column.index))
                    painter.fillRect(cell, gridstyle::kSelected);
                const QString text = table_.normaliseCell(column.index, PointGrid::tableRow(row));
                if (text.isEmpty())
                    continue;
                ++painted;
                const QRect room = gridstyle::textRect(cell);
                LastShown& memo = lastShown_[std::size_t(row) * Col::Count + column.index];
                if (!memo.shape || memo.text != text) {
                    memo.shape = shaped(text);
                    memo.text = text;
                }
                const ShapedText* shown = &*memo.shape;
                // Too wide: the narrower faces in turn, and where none fits, the marker.
                std::size_t face = 0;
                if (!PointGrid::fitsFace(column.index, 0, shown->advance, cell.width())) {
                    shown = &marker;
                    for (face = 1; face < faces_.size(); ++face) {
                        const ShapedText& narrower = shaped(text, face);
                        if (PointGrid::fitsFace(column.index, face, narrower.advance,
                                                cell.width())) {
                            shown = &narrower;
                            break;
                        }
                    }
                    if (face == faces_.size())
                        face = 0;
                }
                const bool narrow = face > 0;
                const QColor& ink = focused ? white : black;
                if (painter.pen().color() != ink)
                    painter.setPen(ink);
                if (shown->breaksLines) {
                    // Line breaks and tabs as the painter lays out a text in a rectangle.
                    painter.drawText(room, int(column.alignment | Qt::AlignVCenter),
                                     shown->text.text());
                    continue;
                }
                // A narrower face uses the cell's width but a pixel.
                const QRect space = narrow ? cell.adjusted(1, 0, -1, 0) : room;
                const qreal left = column.alignment & Qt::AlignRight
                                       ? space.x() + space.width() - shown->width
                                       : space.x();
                // Placed as the painter places aligned text: the line's top on a whole pixel,
                // cut at the room's edges where the text does not fit in it.
                const QFontMetricsF faceMetrics(narrow ? QFontMetricsF(faces_[face]) : metrics);
                const qreal height = narrow ? qCeil(faceMetrics.leading()) + faceMetrics.ascent() +
                                                  faceMetrics.descent()
                                            : textHeight;
                const qreal lineTop = space.y() + (space.height() - height) / 2;
                const bool cut =
                    !QRectF(space).contains(QRectF(left, lineTop, shown->width, height));
                if (cut || narrow) {
                    painter.save();
                    if (narrow)
                        painter.setFont(faces_[face]);
                    if (cut)
                        painter.setClipRect(space, Qt::IntersectClip);
                }
                painter.drawStaticText(
                    QPointF(left, qFloor(lineTop) + qCeil(faceMetrics.leading())), shown->text);
                if (cut || narrow)
                    painter.restore();
            }
        }
        if (!line.isValid())
            continue;
        // Solid lines one pixel wide.
        for (int row = first; row <= lastRow; ++row) {
            const int y = rowViewportPosition(row) + rowHeight(row) - 1;
            painter.fillRect(QRect(area.left(), y, right - area.left() + 1, 1), line);
        }
        const int linesTop = std::max(area.top(), bandTop);
        const int linesBottom = std::min(lowest, bandBottom - 1);
        for (const Column& column : columns) {
            const int x = column.x + column.width - 1;
            if (x >= area.left() && x <= right && linesTop <= linesBottom)
                painter.fillRect(QRect(x, linesTop, 1, linesBottom - linesTop + 1), line);
        }
    }
    cellsPainted_ = painted;
    paintMarks(painter, top, bottom);
}

QRect GridView::markArea(const QRect& cell) {
    return QRect(cell.left() + 2, cell.top() + (cell.height() - 6) / 2, 13, 6);
}

void GridView::paintMarks(QPainter& painter, int top, int bottom) {
    if (!marks_ || isColumnHidden(Col::Ms))
        return;
    const auto colour = [](RowMark::State state) {
        switch (state) {
        case RowMark::State::Pass:
            return QColor(0x1e, 0x9e, 0x3a);
        case RowMark::State::Fail:
            return QColor(0xd0, 0x20, 0x20);
        default:
            return QColor(0x90, 0x90, 0x90);
        }
    };
    const int x = columnViewportPosition(Col::Ms);
    const int width = columnWidth(Col::Ms);
    for (int row = top; row <= bottom; ++row) {
        const std::optional<RowMark> mark = marks_(row + 1);
        if (!mark)
            continue;
        const QRect area = markArea(QRect(x, rowViewportPosition(row), width, rowHeight(row)));
        int left = area.left();
        for (const RowMark::State state : {mark->asFound, mark->asLeft}) {
            const QRect square(left, area.top(), 6, 6);
            left += 7;
            if (state == RowMark::State::None)
                continue;
            if (state == RowMark::State::NoTolerance) {
                painter.setPen(colour(state));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(square.adjusted(0, 0, -1, -1));
            } else {
                painter.fillRect(square, colour(state));
            }
        }
    }
}

} // namespace abgleich
