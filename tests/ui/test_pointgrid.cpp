// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// What the measuring-point table paints: every cell in its column's colour, selected rows
// in steel blue, the text the table shows in black (white in the focused cell), the marker
// where a number does not fit, a long name cut at its cell's margin, and the texts drawn
// anew when they or the font change.
#include "support/qtprint.h"
#include "ui/gridstyle.h"
#include "ui/pointgrid.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

class GridPainting : public ::testing::Test {
protected:
    GridPainting() : table(RegionalSettings::german()) {
        table.setRows(6);
        table.writeHeaderRow();
        table.writeRowNumbers();
        grid = std::make_unique<PointGrid>(table, [this] { return font; });
        grid->resize(1077, PointGrid::kRowHeight * 10);
        grid->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
    }

    // The cell as painted, without the grid lines at its right and bottom edge.
    QImage cell(int column, int tableRow) {
        QTableView* view =
            column < PointGrid::kFixedColumns ? grid->fixedView() : grid->cellsView();
        const QImage shot =
            view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect rect =
            view->visualRect(view->model()->index(PointGrid::viewRow(tableRow), column));
        return shot.copy(rect.adjusted(0, 0, -1, -1));
    }

    static int pixelsLike(const QImage& image, const std::function<bool(QColor)>& like) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += like(image.pixelColor(x, y)) ? 1 : 0;
        return count;
    }
    static int dark(const QImage& image) {
        return pixelsLike(image, [](QColor c) { return qGray(c.rgb()) < 100; });
    }
    // The first and the last pixel column that holds a dark pixel ({-1, -1} for none).
    static std::pair<int, int> darkColumns(const QImage& image) {
        std::pair<int, int> span{-1, -1};
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (qGray(image.pixel(x, y)) < 100) {
                    span = {span.first < 0 ? x : span.first, x};
                    break;
                }
            }
        }
        return span;
    }

    QFont font{u"DejaVu Sans"_s, 10};
    PointTable table;
    std::unique_ptr<PointGrid> grid;
};

} // namespace

TEST_F(GridPainting, EmptyCellsInTheirColumnsColours) {
    const QColor button = grid->cellsView()->palette().color(QPalette::Button);
    const std::pair<int, QColor> columns[] = {
        {Col::Name, gridstyle::kFixed},
        {Col::Unit, gridstyle::kFixed},
        {Col::ASps, gridstyle::kControllerValues},
        {Col::BSps, gridstyle::kControllerValues},
        {Col::ref(1), gridstyle::kCream},
        {Col::tm(4), gridstyle::kCream},
        {Col::Diff1, button},
        {Col::ANeu, gridstyle::kNewValues},
        {Col::BNeu, gridstyle::kNewValues},
    };
    for (const auto& [column, colour] : columns) {
        const QImage image = cell(column, 2);
        EXPECT_EQ(pixelsLike(image, [&](QColor c) { return c != colour; }), 0) << column;
    }
    // Below the last row the view shows its own background.
    const QImage below = grid->cellsView()->viewport()->grab().toImage();
    EXPECT_EQ(below.pixelColor(20, PointGrid::kRowHeight * 7), gridstyle::kCream);

    // A selected row in steel blue, in both parts of the table.
    grid->selectRow(2);
    for (const int column : {Col::Name, Col::ASps, Col::ANeu}) {
        const QImage image = cell(column, 2);
        EXPECT_EQ(pixelsLike(image, [](QColor c) { return c != gridstyle::kSelected; }), 0)
            << column;
    }
    EXPECT_EQ(
        pixelsLike(cell(Col::ASps, 3), [](QColor c) { return c != gridstyle::kControllerValues; }),
        0);
}

TEST_F(GridPainting, TextsAsTheTableShowsThem) {
    // (Row 1 holds the current cell, which has the focus.)
    table.setCellNumber(Col::ASps, 2, 0.4392145);
    table.setCellText(Col::ASps, 3, u"0,439"_s);
    table.setCellNumber(Col::ASps, 4, 1234567.891); // fits no face
    table.setCellText(Col::ASps, 5, QString::fromLatin1(PointGrid::kCutMarker));
    grid->cellsView()->viewport()->repaint();
    EXPECT_GT(dark(cell(Col::ASps, 2)), 10);
    EXPECT_EQ(cell(Col::ASps, 2), cell(Col::ASps, 3)); // shown with three decimals
    EXPECT_EQ(cell(Col::ASps, 4), cell(Col::ASps, 5));
    EXPECT_EQ(table.cellText(Col::ASps, 4), u"1234567,891"_s);

    // A changed text is drawn anew.
    table.setCellText(Col::ASps, 3, u"8,888"_s);
    grid->cellsView()->viewport()->repaint();
    EXPECT_NE(cell(Col::ASps, 2), cell(Col::ASps, 3));
    table.setCellText(Col::ASps, 2, u"8,888"_s);
    grid->cellsView()->viewport()->repaint();
    EXPECT_EQ(cell(Col::ASps, 2), cell(Col::ASps, 3));

    // A larger font: the same text takes more room, still against the right margin (in a
    // column wide enough for it in the cell font itself).
    grid->setColumnWidth(Col::ASps, 120);
    grid->cellsView()->viewport()->repaint();
    const auto [narrowLeft, narrowRight] = darkColumns(cell(Col::ASps, 2));
    font.setPointSize(14);
    grid->applyFonts();
    grid->cellsView()->viewport()->repaint();
    const auto [wideLeft, wideRight] = darkColumns(cell(Col::ASps, 2));
    EXPECT_LT(wideLeft, narrowLeft - 5);
    EXPECT_NEAR(wideRight, narrowRight, 1);
}

TEST_F(GridPainting, FocusedCellWhiteOnSteelBlue) {
    table.setCellText(Col::ref(1), 2, u"20,000"_s);
    QApplication::setActiveWindow(grid.get());
    grid->cellsView()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->cellsView()->hasFocus(); }));
    grid->cellsView()->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->cellsView()->setCurrentIndex(
        grid->cellsView()->model()->index(PointGrid::viewRow(2), Col::ref(1)));
    grid->cellsView()->viewport()->repaint();
    const QImage focused = cell(Col::ref(1), 2);
    EXPECT_EQ(focused.pixelColor(1, 1), gridstyle::kSelected);
    EXPECT_GT(pixelsLike(focused, [](QColor c) { return qGray(c.rgb()) > 240; }), 10);
    EXPECT_EQ(dark(focused), 0);
}

TEST_F(GridPainting, LongNameCutAtItsCellsMargin) {
    table.setCellText(Col::Name, 1, u" Temperatur Hydrauliköl Pumpe links oben "_s);
    grid->fixedView()->viewport()->repaint();
    const QImage name = cell(Col::Name, 1);
    EXPECT_GT(dark(name), 50);
    // The text ends where the margin of two pixels begins.
    const int last = darkColumns(name).second;
    EXPECT_LE(last, name.width() - 3);
    EXPECT_GE(last, name.width() - 8);
    EXPECT_EQ(pixelsLike(cell(Col::Unit, 1), [](QColor c) { return c != gridstyle::kFixed; }), 0);
}

// Line breaks stay inside their cell; a tab shows as a blank.
TEST_F(GridPainting, ControlCharactersStayInTheirCell) {
    table.setCellText(Col::Name, 2, u"A\u2028B\nC"_s);
    table.setCellText(Col::Unit, 2, u"u\tv"_s);
    table.setCellText(Col::Unit, 3, u"u v"_s);
    grid->fixedView()->viewport()->repaint();
    EXPECT_GT(dark(cell(Col::Name, 2)), 5);
    EXPECT_EQ(pixelsLike(cell(Col::Name, 3), [](QColor c) { return c != gridstyle::kFixed; }), 0);
    EXPECT_EQ(pixelsLike(cell(Col::Name, 1), [](QColor c) { return c != gridstyle::kFixed; }), 0);
    // Both letters shown, close together, as with a blank between them.
    const QImage tab = cell(Col::Unit, 2);
    const QImage blank = cell(Col::Unit, 3);
    EXPECT_NEAR(dark(tab), dark(blank), 2);
    EXPECT_NEAR(darkColumns(tab).second, darkColumns(blank).second, 2);
}
