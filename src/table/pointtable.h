// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "core/regionalsettings.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace abgleich {

// Fixed column numbers of the measuring-point table. Every read and write addresses a
// column by these numbers, whether or not the view shows it.
namespace Col {
inline constexpr int Ms = 0;     // point number "7 "
inline constexpr int Name = 1;   // " name "
inline constexpr int Unit = 2;   // " unit "
inline constexpr int ASps = 3;   // offset a as the controller holds it
inline constexpr int BSps = 4;   // gain b as the controller holds it
inline constexpr int Ref1 = 5;   // reference value of pair 1; pair p at 5 + 2 (p - 1)
inline constexpr int Tm1 = 6;    // displayed value of pair 1; pair p at 6 + 2 (p - 1)
inline constexpr int Diff1 = 13; // deviation of the 1st collected pair; k-th at 13 + k - 1
inline constexpr int Diff4 = 16;
inline constexpr int ANeu = 17; // new offset a
inline constexpr int BNeu = 18; // new gain b
inline constexpr int Count = 19;
inline constexpr int Pairs = 4;

constexpr int ref(int pair) {
    return Ref1 + 2 * (pair - 1);
}
constexpr int tm(int pair) {
    return Tm1 + 2 * (pair - 1);
}
} // namespace Col

// How an operation reads a cell that holds a number: as the display rule shows it.
struct CellReading {
    enum class Kind {
        Empty,     // no text at all
        Number,    // the text shown is a number
        NotANumber // text the display rule cannot read as a number, blanks alone included
    };
    Kind kind = Kind::Empty;
    double value = 0; // the number where there is one
    QString shown;    // the text as the table shows it

    bool isNumber() const { return kind == Kind::Number; }
    bool isEmpty() const { return kind == Kind::Empty; }
    bool isNotANumber() const { return kind == Kind::NotANumber; }
};

// The measuring-point table: row 0 the captions, row n measuring point n, every cell a
// text. Numbers go through the number rules below. As a Qt model, the display request of a
// data cell (row >= 1, columns 3..18) runs the display rule, which rewrites the cell's text
// with three decimals; so a cell keeps its full text exactly until it is first shown or read
// with shownNumber.
class PointTable : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kInitialRows = 256;

    explicit PointTable(const RegionalSettings& regional, QObject* parent = nullptr);

    const RegionalSettings& regional() const { return regional_; }

    // The captions of row 0, exactly as the operator knows them.
    static const std::array<QString, Col::Count>& captions();
    // Columns the operator may type into (pairs and new coefficients), rows >= 1.
    static bool isEditableColumn(int column);
    // Columns whose shown text goes through the display rule, rows >= 1.
    static bool isNumberColumn(int column);

    int rows() const { return int(cells_.size()); }
    // Keeps rows 0..count-1, drops the rest, adds empty rows.
    void setRows(int count);

    // Cells outside the table read as empty text and 0; writes to them are dropped.
    QString cellText(int column, int row) const;
    void setCellText(int column, int row, QString text);
    // General format with up to 15 significant digits (see formatGeneral).
    void setCellNumber(int column, int row, double value);
    double storedNumber(int column, int row) const;
    // Normalises the cell first, then reads it as storedNumber does.
    double shownNumber(int column, int row);
    // The display rule: returns the text to show and stores the three-decimal text of a
    // number in place of the old one.
    QString normaliseCell(int column, int row);
    // A cell read as every computation and every upload reads it: as the display rule shows
    // it, so a cell never shown and one shown give the same number. The cell keeps its text.
    CellReading readCell(int column, int row) const;
    // "Messstelle 3 (Druck 1), a (NEU)": a cell as a message names it.
    QString cellName(int column, int row) const;

    // Every cell empty, caption row included; hidden columns are shown again.
    void clear();

    // Columns 13..16 hidden or shown as a block: view state only.
    bool diffColumnsHidden() const { return diffHidden_; }
    void setDiffColumnsHidden(bool hidden);

    // Batch updates nest; the view is told once, when the outermost batch closes.
    void beginBatch();
    void endBatch();
    int batchDepth() const { return batchDepth_; }

    void writeHeaderRow();
    void writeRowNumbers();

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void diffColumnsHiddenChanged(bool hidden);

private:
    // A cell's text, or a number whose text has not been made yet.
    struct Cell {
        QString text;
        std::optional<double> pending;
        bool asShown = false; // the text was made by the display rule: it shows it unchanged
    };
    using Row = std::array<Cell, Col::Count>;

    // The cell's text, made first where it holds a number; the cell must exist.
    QString& textOf(int column, int row) const;

    bool contains(int column, int row) const;
    QString normalise(int column, int row) const;
    // The text the display rule shows, and whether it is a number's; changes nothing.
    QString shownText(int column, int row, bool* number) const;
    void cellChanged(int column, int row);

    RegionalSettings regional_;
    // The display rule runs inside the const display request and stores what it shows.
    mutable std::vector<Row> cells_;
    bool diffHidden_ = false;
    int batchDepth_ = 0;
    bool refreshPending_ = false;
};

// Opens a batch for the lifetime of the object; closes it also when an error leaves early.
class BatchUpdate {
public:
    explicit BatchUpdate(PointTable& table) : table_(table) { table_.beginBatch(); }
    ~BatchUpdate() { table_.endBatch(); }
    BatchUpdate(const BatchUpdate&) = delete;
    BatchUpdate& operator=(const BatchUpdate&) = delete;

private:
    PointTable& table_;
};

} // namespace abgleich
