// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "core/numbers.h"
#include "support/qtprint.h"
#include "table/pointtable.h"

#include <QLocale>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

using namespace abgleich;
using namespace Qt::StringLiterals;

namespace {

// What the view shows for a cell: the display request of the model.
QString shown(PointTable& table, int column, int row) {
    return table.data(table.index(row, column), Qt::DisplayRole).toString();
}

struct TypedCase {
    QString typed;
    int column;
    double storedBefore; // storedNumber before the cell is shown
    QString shownText;   // what the view shows
    QString storedAfter; // the cell's text after it was shown
    double read;         // storedNumber and shownNumber afterwards
};

void checkTyped(const RegionalSettings& rs, const TypedCase& c) {
    SCOPED_TRACE(c.typed.toStdString());
    PointTable table(rs);
    table.setCellText(c.column, 3, c.typed);
    EXPECT_EQ(table.storedNumber(c.column, 3), c.storedBefore);
    EXPECT_EQ(table.cellText(c.column, 3), c.typed);
    EXPECT_EQ(shown(table, c.column, 3), c.shownText);
    EXPECT_EQ(table.cellText(c.column, 3), c.storedAfter);
    EXPECT_EQ(table.storedNumber(c.column, 3), c.read);
    EXPECT_EQ(table.shownNumber(c.column, 3), c.read);

    // shownNumber alone normalises the cell as showing it does.
    PointTable other(rs);
    other.setCellText(c.column, 3, c.typed);
    EXPECT_EQ(other.shownNumber(c.column, 3), c.read);
    EXPECT_EQ(other.cellText(c.column, 3), c.storedAfter);
}

} // namespace

TEST(PointTable, TypedTextsGermanSettings) {
    const TypedCase cases[] = {
        {u"12,34567"_s, 5, 12.34567, u"12,346"_s, u"12,346"_s, 12.346},
        {u"0.5"_s, 17, 5, u"0.5"_s, u"0.5"_s, 5},
        {u"1.234,5"_s, 17, 1234.5, u"1.234,5"_s, u"1.234,5"_s, 1234.5},
        {u"abc"_s, 6, 0, u"abc"_s, u"abc"_s, 0},
        {u"1,5 "_s, 5, 0, u"1,500"_s, u"1,500"_s, 1.5},
        {u"7\t8"_s, 5, 0, u"7,000"_s, u"7,000"_s, 7},
        {u"5x\r\n6"_s, 5, 0, u"5x"_s, u"5x\r\n6"_s, 0},
        {u"3,5E-006"_s, 18, 0.0000035, u"0,000"_s, u"0,000"_s, 0},
        {u""_s, 5, 0, u""_s, u""_s, 0},
        {u"-"_s, 5, 0, u"-"_s, u"-"_s, 0},
        {u"  "_s, 5, 0, u"  "_s, u"  "_s, 0},
        {u"-0,0004"_s, 13, -0.0004, u"0,000"_s, u"0,000"_s, 0},
        {u"1e400"_s, 5, 0, u"1e400"_s, u"1e400"_s, 0},
    };
    for (const TypedCase& c : cases)
        checkTyped(RegionalSettings::german(), c);
}

// How computations and the upload read a typed cell: as it is shown, whether or not it has
// been shown, and without changing its text. Text that only looks like a number is no number,
// and its tooltip says so.
TEST(PointTable, CellsAreReadAsShown) {
    using Kind = CellReading::Kind;
    const struct {
        QString typed;
        Kind kind;
        double value;
    } cases[] = {
        {u"12,34567"_s, Kind::Number, 12.346},
        {u"0.5"_s, Kind::NotANumber, 0},
        {u"1.234,5"_s, Kind::NotANumber, 0},
        {u"abc"_s, Kind::NotANumber, 0},
        {u"  "_s, Kind::NotANumber, 0},
        {u"-"_s, Kind::NotANumber, 0},
        {u"7\t8"_s, Kind::Number, 7},
        {u"0,0005"_s, Kind::Number, 0.001},
        {u""_s, Kind::Empty, 0},
        {u"1e400"_s, Kind::NotANumber, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        PointTable table(RegionalSettings::german());
        table.setCellText(Col::ANeu, 2, c.typed);
        const CellReading before = table.readCell(Col::ANeu, 2);
        EXPECT_EQ(table.cellText(Col::ANeu, 2), c.typed);
        EXPECT_EQ(before.kind, c.kind);
        EXPECT_EQ(before.value, c.value);
        const QString tip = table.data(table.index(2, Col::ANeu), Qt::ToolTipRole).toString();
        EXPECT_EQ(tip.startsWith(u"Keine gültige Zahl"_s), c.kind == Kind::NotANumber)
            << tip.toStdString();
        shown(table, Col::ANeu, 2);
        EXPECT_EQ(table.readCell(Col::ANeu, 2).value, before.value);
        EXPECT_EQ(table.readCell(Col::ANeu, 2).kind, before.kind);
    }
    PointTable table(RegionalSettings::german());
    table.setCellText(Col::Name, 3, u" Druck 1 "_s);
    EXPECT_EQ(table.cellName(Col::tm(2), 3), u"Messstelle 3 (Druck 1), tm 2"_s);
}

TEST(PointTable, TypedTextsUsSettings) {
    const RegionalSettings us = RegionalSettings::fromLocale(QLocale(u"en_US"_s));
    const TypedCase cases[] = {
        {u"12.34567"_s, 5, 12.34567, u"12.346"_s, u"12.346"_s, 12.346},
        {u"1,234.5"_s, 5, 1234.5, u"1,234.5"_s, u"1,234.5"_s, 1234.5},
        {u"0,5"_s, 17, 5, u"0,5"_s, u"0,5"_s, 5},
    };
    for (const TypedCase& c : cases)
        checkTyped(us, c);
}

TEST(PointTable, NumbersKeepTheirDigitsUntilShown) {
    PointTable table(RegionalSettings::german());
    table.setCellNumber(17, 1, 0.439);
    EXPECT_EQ(table.cellText(17, 1), u"0,439"_s);
    table.setCellNumber(18, 1, 1);
    EXPECT_EQ(table.cellText(18, 1), u"1"_s);
    table.setCellNumber(3, 2, 0.4392145);
    EXPECT_EQ(table.storedNumber(3, 2), 0.4392145);

    EXPECT_EQ(shown(table, 17, 1), u"0,439"_s);
    EXPECT_EQ(shown(table, 18, 1), u"1,000"_s);
    EXPECT_EQ(table.cellText(18, 1), u"1,000"_s);
    EXPECT_EQ(shown(table, 3, 2), u"0,439"_s);
    EXPECT_EQ(table.cellText(3, 2), u"0,439"_s);
    EXPECT_EQ(table.storedNumber(3, 2), 0.439);
    EXPECT_EQ(table.shownNumber(3, 2), 0.439);

    // A cell never shown keeps its full text.
    table.setCellNumber(13, 200, 0.439214567890123);
    EXPECT_EQ(table.cellText(13, 200), u"0,439214567890123"_s);
}

// A number written as a value reads, shows and is stored exactly as its general-format text
// written by hand would be, whichever comes first; a later write of either kind replaces it.
TEST(PointTable, NumberWrittenAsValueActsAsItsText) {
    const RegionalSettings rs = RegionalSettings::german();
    const double values[] = {0.4392145,
                             1.0005,
                             0.9995,
                             -0.0004,
                             -0.0005,
                             999.9996,
                             123456789012.3456,
                             1e15,
                             -2.5e-7,
                             5e-324,
                             1.7976931348623157e308};
    for (const double v : values) {
        SCOPED_TRACE(v);
        const QString text = formatGeneral(v, rs);
        PointTable byValue(rs);
        PointTable byText(rs);
        byValue.setCellNumber(Col::BNeu, 4, v);
        byText.setCellText(Col::BNeu, 4, text);
        EXPECT_EQ(byValue.storedNumber(Col::BNeu, 4), byText.storedNumber(Col::BNeu, 4));
        EXPECT_EQ(shown(byValue, Col::BNeu, 4), shown(byText, Col::BNeu, 4));
        EXPECT_EQ(byValue.cellText(Col::BNeu, 4), byText.cellText(Col::BNeu, 4));

        // Shown before anything read it.
        PointTable shownFirst(rs);
        shownFirst.setCellNumber(Col::ASps, 4, v);
        EXPECT_EQ(shown(shownFirst, Col::ASps, 4), shown(byText, Col::BNeu, 4));
        // Outside the display rule (the caption row) the text stays general.
        shownFirst.setCellNumber(Col::ASps, 0, v);
        EXPECT_EQ(shown(shownFirst, Col::ASps, 0), text);

        // The shown text is its own display: typed as it stands, it shows unchanged.
        const QString once = shown(byText, Col::BNeu, 4);
        PointTable typedAgain(rs);
        typedAgain.setCellText(Col::BNeu, 4, once);
        EXPECT_EQ(shown(typedAgain, Col::BNeu, 4), once);
        EXPECT_EQ(shown(byText, Col::BNeu, 4), once);
    }

    // A write after the cell was shown is shown anew, whichever kind it is.
    PointTable rewritten(rs);
    rewritten.setCellNumber(Col::ANeu, 4, 1.23456);
    EXPECT_EQ(shown(rewritten, Col::ANeu, 4), u"1,235"_s);
    rewritten.setCellNumber(Col::ANeu, 4, 2.34567);
    EXPECT_EQ(rewritten.cellText(Col::ANeu, 4), u"2,34567"_s);
    EXPECT_EQ(shown(rewritten, Col::ANeu, 4), u"2,346"_s);
    rewritten.setCellText(Col::ANeu, 4, u"3,45678"_s);
    EXPECT_EQ(shown(rewritten, Col::ANeu, 4), u"3,457"_s);
    rewritten.clear();
    rewritten.setCellText(Col::ANeu, 4, u"4,56789"_s);
    EXPECT_EQ(shown(rewritten, Col::ANeu, 4), u"4,568"_s);

    PointTable table(rs);
    table.setCellNumber(Col::ANeu, 2, 1.5);
    table.setCellText(Col::ANeu, 2, u"abc"_s);
    EXPECT_EQ(table.cellText(Col::ANeu, 2), u"abc"_s);
    EXPECT_EQ(shown(table, Col::ANeu, 2), u"abc"_s);
    table.setCellNumber(Col::ANeu, 2, 2.25);
    EXPECT_EQ(shown(table, Col::ANeu, 2), u"2,250"_s);
    table.setCellNumber(Col::ANeu, 3, 7);
    table.clear();
    EXPECT_EQ(table.cellText(Col::ANeu, 3), QString());
    EXPECT_EQ(shown(table, Col::ANeu, 3), QString());

    // A value that is no number is refused and leaves the cell as it was.
    table.setCellNumber(Col::ANeu, 3, 7);
    EXPECT_ANY_THROW(table.setCellNumber(Col::ANeu, 3, std::nan("")));
    EXPECT_ANY_THROW(table.setCellNumber(Col::ANeu, 3, HUGE_VAL));
    EXPECT_EQ(table.cellText(Col::ANeu, 3), u"7"_s);
}

TEST(PointTable, CaptionsAndFixedColumnsAreNeverNormalised) {
    PointTable table(RegionalSettings::german());
    table.writeHeaderRow();
    table.writeRowNumbers();
    table.setCellText(1, 7, u"1,5"_s);
    table.setCellText(3, 0, u" a (SPS) "_s);
    EXPECT_EQ(shown(table, 3, 0), u" a (SPS) "_s);
    EXPECT_EQ(shown(table, 0, 7), u"7 "_s);
    EXPECT_EQ(shown(table, 1, 7), u"1,5"_s);
    EXPECT_EQ(table.cellText(1, 7), u"1,5"_s);
    EXPECT_EQ(table.normaliseCell(0, 7), u"7 "_s);
}

TEST(PointTable, CaptionsAndRowNumbers) {
    PointTable table(RegionalSettings::german());
    EXPECT_EQ(table.rows(), 256);
    EXPECT_EQ(table.columnCount(), 19);
    table.writeHeaderRow();
    table.writeRowNumbers();
    const QString captions[] = {
        u" Ms "_s,     u" Name "_s,   u" Einheit "_s, u" a (SPS) "_s, u" b (SPS) "_s,
        u" Ref 1 "_s,  u" tm 1 "_s,   u" Ref 2 "_s,   u" tm 2 "_s,    u" Ref 3 "_s,
        u" tm 3 "_s,   u" Ref 4 "_s,  u" tm 4 "_s,    u" diff 1 "_s,  u" diff 2 "_s,
        u" diff 3 "_s, u" diff 4 "_s, u" a (NEU)"_s,  u" b (NEU)"_s,
    };
    for (int c = 0; c < 19; ++c)
        EXPECT_EQ(table.cellText(c, 0), captions[c]);
    EXPECT_EQ(table.cellText(0, 1), u"1 "_s);
    EXPECT_EQ(table.cellText(0, 255), u"255 "_s);
    EXPECT_EQ(table.cellText(1, 255), u""_s);
}

TEST(PointTable, CellsOutsideTheTable) {
    PointTable table(RegionalSettings::german());
    table.setRows(3);
    table.setCellText(17, 3, u"5"_s);
    table.setCellText(19, 1, u"5"_s);
    table.setCellText(-1, 1, u"5"_s);
    EXPECT_EQ(table.rows(), 3);
    EXPECT_EQ(table.cellText(17, 3), u""_s);
    EXPECT_EQ(table.storedNumber(17, 3), 0);
    EXPECT_EQ(table.shownNumber(19, 1), 0);
    EXPECT_EQ(table.normaliseCell(5, -1), u""_s);
}

TEST(PointTable, RowCountKeepsDropsAndAddsRows) {
    PointTable table(RegionalSettings::german());
    table.setRows(78);
    table.writeHeaderRow();
    table.writeRowNumbers();
    table.setCellText(5, 10, u"x"_s);
    table.setCellText(5, 50, u"y"_s);
    table.setRows(11);
    EXPECT_EQ(table.rows(), 11);
    EXPECT_EQ(table.cellText(0, 10), u"10 "_s);
    EXPECT_EQ(table.cellText(5, 10), u"x"_s);
    table.setRows(78);
    EXPECT_EQ(table.cellText(0, 11), u""_s);
    EXPECT_EQ(table.cellText(5, 50), u""_s);
    EXPECT_EQ(table.cellText(0, 77), u""_s);
    table.writeRowNumbers();
    EXPECT_EQ(table.cellText(0, 77), u"77 "_s);
}

TEST(PointTable, HiddenDiffColumnsAreViewStateOnly) {
    PointTable table(RegionalSettings::german());
    table.writeHeaderRow();
    QSignalSpy visibility(&table, &PointTable::diffColumnsHiddenChanged);
    table.setDiffColumnsHidden(true);
    table.setDiffColumnsHidden(true);
    EXPECT_EQ(visibility.count(), 1);
    table.setCellNumber(17, 4, 2.5);
    table.setCellNumber(14, 4, 0.25);
    EXPECT_EQ(table.storedNumber(17, 4), 2.5);
    EXPECT_EQ(table.storedNumber(14, 4), 0.25);
    EXPECT_EQ(table.cellText(17, 0), u" a (NEU)"_s);
    EXPECT_EQ(table.cellText(13, 0), u" diff 1 "_s);
    EXPECT_TRUE(table.diffColumnsHidden());

    // Clearing empties every cell and shows the columns again.
    table.clear();
    EXPECT_FALSE(table.diffColumnsHidden());
    ASSERT_EQ(visibility.count(), 2);
    EXPECT_EQ(visibility.at(1).at(0).toBool(), false);
    EXPECT_EQ(table.rows(), 256);
    for (int c = 0; c < 19; ++c)
        EXPECT_EQ(table.cellText(c, 0), u""_s);
    EXPECT_EQ(table.cellText(17, 4), u""_s);
}

TEST(PointTable, BatchesNestAndRefreshOnce) {
    PointTable table(RegionalSettings::german());
    QSignalSpy refresh(&table, &PointTable::dataChanged);

    table.setCellText(5, 1, u"1"_s);
    ASSERT_EQ(refresh.count(), 1);
    EXPECT_EQ(refresh.at(0).at(0).toModelIndex(), table.index(1, 5));
    refresh.clear();

    table.beginBatch();
    table.writeHeaderRow(); // a batch of its own, nested
    {
        BatchUpdate inner(table);
        for (int row = 1; row < 256; ++row)
            table.setCellNumber(17, row, row * 0.5);
    }
    EXPECT_EQ(refresh.count(), 0);
    EXPECT_EQ(table.batchDepth(), 1);
    table.endBatch();
    ASSERT_EQ(refresh.count(), 1);
    EXPECT_EQ(refresh.at(0).at(0).toModelIndex(), table.index(0, 0));
    EXPECT_EQ(refresh.at(0).at(1).toModelIndex(), table.index(255, 18));

    // A batch without writes, an unbalanced close and the display rule refresh nothing.
    refresh.clear();
    { BatchUpdate empty(table); }
    table.endBatch();
    EXPECT_EQ(table.batchDepth(), 0);
    table.setCellText(5, 2, u"1,23456"_s);
    refresh.clear();
    EXPECT_EQ(shown(table, 5, 2), u"1,235"_s);
    EXPECT_EQ(refresh.count(), 0);
}

TEST(PointTable, BatchClosesWhenAWriterFails) {
    PointTable table(RegionalSettings::german());
    QSignalSpy refresh(&table, &PointTable::dataChanged);
    try {
        BatchUpdate batch(table);
        table.setCellText(5, 1, u"1"_s);
        throw std::runtime_error("writer failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(table.batchDepth(), 0);
    EXPECT_EQ(refresh.count(), 1);
}

TEST(PointTable, OperatorEditsOnlyThePairAndNewCoefficientColumns) {
    PointTable table(RegionalSettings::german());
    for (int c = 0; c < 19; ++c) {
        const bool editable = (c >= 5 && c <= 12) || c == 17 || c == 18;
        EXPECT_EQ(bool(table.flags(table.index(4, c)) & Qt::ItemIsEditable), editable) << c;
        EXPECT_FALSE(table.flags(table.index(0, c)) & Qt::ItemIsEditable) << c;
        EXPECT_EQ(table.setData(table.index(4, c), u"2,5"_s), editable) << c;
    }
    EXPECT_EQ(table.cellText(17, 4), u"2,5"_s);
    EXPECT_EQ(table.cellText(3, 4), u""_s);
    EXPECT_EQ(table.data(table.index(4, 17), Qt::EditRole).toString(), u"2,5"_s);
}
