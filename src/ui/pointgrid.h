// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "table/pointtable.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QSortFilterProxyModel>
#include <QStaticText>
#include <QTableView>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QTouchEvent;

namespace abgleich {

// A mark beside a point's number: two small squares, as found and as left, each green
// (within tolerance), red (outside) or hollow grey (no tolerance); none without values.
struct RowMark {
    enum class State { None, Pass, Fail, NoTolerance };
    State asFound = State::None;
    State asLeft = State::None;
    QString toolTip;
};
using RowMarks = std::function<std::optional<RowMark>(int tableRow)>;

// Shows the table's data rows with row 0 (the captions) as the views' header, so the
// caption row stays in view when the table scrolls.
class CaptionRowProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit CaptionRowProxy(QObject* parent = nullptr);
    void setSourceModel(QAbstractItemModel* source) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
};

// A part of the measuring-point table. It paints its cells in one pass over the rows in
// view: a column's background in one stripe, the texts of the table (its display rule)
// with their shaping kept from the last time the same text was drawn, then the grid.
// Editors and tooltips go through the item delegate as usual.
class GridView : public QTableView {
    Q_OBJECT

public:
    // table: the table whose cells the view shows through the caption-row proxy.
    explicit GridView(PointTable& table, QWidget* parent = nullptr);

    // Marks drawn in the point-number column; their tooltips are shown there.
    void setRowMarks(RowMarks marks) { marks_ = std::move(marks); }
    const RowMarks& rowMarks() const { return marks_; }
    // Where the marks of a row's number cell stand.
    static QRect markArea(const QRect& cell);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct ShapedText {
        QStaticText text;
        qreal width = 0;          // as laid out, for the alignment
        int advance = 0;          // as the fit check measures it
        bool breaksLines = false; // holds a line break, a tab or another control character
    };
    // A text shaped in one of the cell faces (0: the cell font).
    const ShapedText& shaped(const QString& text, std::size_t face = 0);
    static ShapedText shape(const QString& text, const QFont& font);

    // The text a cell showed last, with its shape: a cell that shows the same text again
    // needs no look-up in the store. (Empty until then: an empty static text still takes
    // room of its own.)
    struct LastShown {
        QString text;
        std::optional<ShapedText> shape;
    };

    void paintMarks(QPainter& painter, int top, int bottom);

    PointTable& table_;
    RowMarks marks_;
    std::vector<QFont> faces_;                       // cellFaces of the font in use
    std::vector<QHash<QString, ShapedText>> shaped_; // per face
    std::vector<LastShown> lastShown_;               // by view row and column
    QFont shapedFont_;                               // the font the kept shapes were made with
    int cellsPainted_ = 0;                           // cells with text in the last paint
};

// The cells view: Enter moves to the next column and opens its editor.
class CellsView : public GridView {
    Q_OBJECT

public:
    using GridView::GridView;

    // Writes the text of an open cell editor into the table and closes the editor, so that
    // an operation started now sees what the operator typed.
    void commitOpenEditor();
    // No search by typed letters: it would read, and so round, the shown text of every row.
    void keyboardSearch(const QString&) override {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A right click opens the table's context menu only: the current cell stays and no
    // editor opens.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void moveToNextColumn();
};

// The measuring-point table `DGrid`: columns 0..2 fixed at the left and kept in view when
// the cells scroll sideways, the caption row fixed at the top, whole-row selection shown in
// both parts, no visible scroll bars, scrolling by whole rows and columns.
class PointGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 22;
    static constexpr int kFixedColumns = 3;
    static constexpr int kFixedWidths[kFixedColumns] = {40, 120, 68};
    // Shown in a data cell whose text does not fit: never mistaken for a value.
    static constexpr const char* kCutMarker = "###";

    // cellFont gives the font of every cell (the window's handler); the text shown is the
    // model's (its display rule).
    PointGrid(PointTable& table, std::function<QFont()> cellFont, QWidget* parent = nullptr);

    QTableView* fixedView() const { return fixed_; }
    CellsView* cellsView() const { return cells_; }

    QFont cellFont() const { return cellFont_(); }

    // Table row of a view row and back (the views leave out the caption row).
    static int tableRow(int viewRow) { return viewRow + 1; }
    static int viewRow(int tableRow) { return tableRow - 1; }

    // The faces a data cell tries in turn for a text too wide for it: the cell font,
    // Liberation Sans Narrow at its size, then the cell font condensed in steps down to 75 %
    // of its width. Face 0 keeps the cell's margins; the others use its width but a pixel.
    static std::vector<QFont> cellFaces(const QFont& font);
    static bool fitsFace(int column, std::size_t face, int advance, int cellWidth);
    // What a cell of the given width shows of a text: a data cell the whole text (in the
    // first face it fits) or, where it fits none, the marker; a fixed cell (number, name,
    // unit) its text.
    static QString cellText(int column, const QString& text, const QFont& font, int cellWidth);
    // Whether a text of the given advance is shown whole in a cell of the given width.
    static bool fits(int column, int advance, int cellWidth);
    // What the cell of a table row shows at its column's current width.
    QString shownText(int column, int tableRow) const;

    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    void selectRow(int tableRow);
    // Applies the cell font to headers, views and row heights.
    void applyFonts();
    // The verdict marks beside the point numbers; repaints them.
    void setRowMarks(RowMarks marks);
    void refreshMarks();

signals:
    // A click on a normal cell, a cell becoming current, a click on a fixed cell.
    void cellClicked(int column, int row);
    void cellSelected(int column, int row);
    void fixedCellClicked(int column, int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool touchScroll(QWidget* viewport, QTouchEvent* touch);
    void stretchCellColumns();
    void updateFixedWidth();
    void setDiffColumnsHidden(bool hidden);

    PointTable& table_;
    std::function<QFont()> cellFont_;
    CaptionRowProxy proxy_;
    GridView* fixed_;
    CellsView* cells_;
    qreal touchAnchorY_ = 0; // where the finger was when the rows last moved
    bool touchScrolled_ = false;
};

} // namespace abgleich
