// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "table/pointtable.h"

#include "core/numbers.h"
#include "core/text.h"

namespace abgleich {

PointTable::PointTable(const RegionalSettings& regional, QObject* parent)
    : QAbstractTableModel(parent), regional_(regional), cells_(kInitialRows) {}

const std::array<QString, Col::Count>& PointTable::captions() {
    static const std::array<QString, Col::Count> texts = {
        QStringLiteral(" Ms "),      QStringLiteral(" Name "),    QStringLiteral(" Einheit "),
        QStringLiteral(" a (SPS) "), QStringLiteral(" b (SPS) "), QStringLiteral(" Ref 1 "),
        QStringLiteral(" tm 1 "),    QStringLiteral(" Ref 2 "),   QStringLiteral(" tm 2 "),
        QStringLiteral(" Ref 3 "),   QStringLiteral(" tm 3 "),    QStringLiteral(" Ref 4 "),
        QStringLiteral(" tm 4 "),    QStringLiteral(" diff 1 "),  QStringLiteral(" diff 2 "),
        QStringLiteral(" diff 3 "),  QStringLiteral(" diff 4 "),  QStringLiteral(" a (NEU)"),
        QStringLiteral(" b (NEU)"),
    };
    return texts;
}

bool PointTable::isEditableColumn(int column) {
    return (column >= Col::Ref1 && column <= Col::tm(Col::Pairs)) || column == Col::ANeu ||
           column == Col::BNeu;
}

bool PointTable::isNumberColumn(int column) {
    return column >= Col::ASps && column < Col::Count;
}

bool PointTable::contains(int column, int row) const {
    return column >= 0 && column < Col::Count && row >= 0 && row < rows();
}

void PointTable::setRows(int count) {
    count = std::max(count, 0);
    const int current = rows();
    if (count > current) {
        beginInsertRows({}, current, count - 1);
        cells_.resize(std::size_t(count));
        endInsertRows();
    } else if (count < current) {
        beginRemoveRows({}, count, current - 1);
        cells_.resize(std::size_t(count));
        endRemoveRows();
    }
}

QString& PointTable::textOf(int column, int row) const {
    Cell& cell = cells_[std::size_t(row)][std::size_t(column)];
    if (cell.pending) {
        cell.text = formatGeneral(*cell.pending, regional_);
        cell.pending.reset();
        cell.asShown = false;
    }
    return cell.text;
}

QString PointTable::cellText(int column, int row) const {
    return contains(column, row) ? textOf(column, row) : QString();
}

void PointTable::setCellText(int column, int row, QString text) {
    if (!contains(column, row))
        return;
    Cell& cell = cells_[std::size_t(row)][std::size_t(column)];
    cell.text = std::move(text);
    cell.pending.reset();
    cell.asShown = false;
    cellChanged(column, row);
}

void PointTable::setCellNumber(int column, int row, double value) {
    if (!contains(column, row))
        return;
    requireFinite(value); // a value that is no number is never stored
    // The text is made when the cell is first read; most cells are shown, and so rewritten
    // by the display rule, before anything reads their general format.
    Cell& cell = cells_[std::size_t(row)][std::size_t(column)];
    cell.pending = value;
    cell.asShown = false;
    cellChanged(column, row);
}

double PointTable::storedNumber(int column, int row) const {
    return readStoredNumber(cellText(column, row), regional_);
}

double PointTable::shownNumber(int column, int row) {
    return readStoredNumber(normaliseCell(column, row), regional_);
}

QString PointTable::normaliseCell(int column, int row) {
    return normalise(column, row);
}

QString PointTable::normalise(int column, int row) const {
    if (!contains(column, row))
        return {};
    Cell& cell = cells_[std::size_t(row)][std::size_t(column)];
    bool number = false;
    QString shown = shownText(column, row, &number);
    if (number) {
        // Stored without telling the view: this runs while the view is drawing the cell.
        cell.text = shown;
        cell.pending.reset();
        cell.asShown = true;
    }
    return shown;
}

QString PointTable::shownText(int column, int row, bool* number) const {
    *number = false;
    const Cell& cell = cells_[std::size_t(row)][std::size_t(column)];
    if (cell.pending && row >= 1 && isNumberColumn(column)) {
        // The three-decimal text of a number written as a value: the same as that of its
        // general format read back, which holds the same fifteen significant digits.
        *number = true;
        return formatFixed3(*cell.pending, regional_);
    }
    if (cell.asShown)
        return cell.text;
    const QString& text = textOf(column, row);
    if (row < 1 || !isNumberColumn(column) || trimBlanksAndControls(text).isEmpty())
        return text;
    QStringView cut(text);
    if (const auto crlf = cut.indexOf(u"\r\n"); crlf >= 0)
        cut = cut.first(crlf);
    if (const auto tab = cut.indexOf(u'\t'); tab >= 0)
        cut = cut.first(tab);
    const auto value = tryStrToFloat(cut, regional_);
    if (!value)
        return cut.toString();
    *number = true;
    return formatFixed3(*value, regional_);
}

CellReading PointTable::readCell(int column, int row) const {
    CellReading reading;
    if (cellText(column, row).isEmpty())
        return reading;
    bool number = false;
    reading.shown = shownText(column, row, &number);
    const auto value = tryStrToFloat(reading.shown, regional_);
    reading.kind = value ? CellReading::Kind::Number : CellReading::Kind::NotANumber;
    reading.value = value.value_or(0.0);
    return reading;
}

QString PointTable::cellName(int column, int row) const {
    const QString name = trimBlanksAndControls(cellText(Col::Name, row)).toString();
    QString text = QStringLiteral("Messstelle %1").arg(row);
    if (!name.isEmpty())
        text += QStringLiteral(" (%1)").arg(name);
    if (column >= 0 && column < Col::Count)
        text += QStringLiteral(", ") + captions()[std::size_t(column)].trimmed();
    return text;
}

void PointTable::clear() {
    {
        BatchUpdate batch(*this);
        for (Row& row : cells_) {
            for (Cell& cell : row) {
                if (!cell.text.isNull())
                    cell.text = QString();
                cell.pending.reset();
                cell.asShown = false;
            }
        }
        refreshPending_ = true;
    }
    setDiffColumnsHidden(false);
}

void PointTable::setDiffColumnsHidden(bool hidden) {
    if (hidden == diffHidden_)
        return;
    diffHidden_ = hidden;
    emit diffColumnsHiddenChanged(hidden);
}

void PointTable::beginBatch() {
    ++batchDepth_;
}

void PointTable::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0 || !refreshPending_)
        return;
    refreshPending_ = false;
    if (rows() > 0)
        emit dataChanged(index(0, 0), index(rows() - 1, Col::Count - 1));
}

void PointTable::cellChanged(int column, int row) {
    if (batchDepth_ > 0) {
        refreshPending_ = true;
        return;
    }
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

void PointTable::writeHeaderRow() {
    BatchUpdate batch(*this);
    for (int column = 0; column < Col::Count; ++column)
        setCellText(column, 0, captions()[std::size_t(column)]);
}

void PointTable::writeRowNumbers() {
    // The texts of the usual rows are made once and shared by every table.
    static const std::vector<QString> usual = [] {
        std::vector<QString> texts(std::size_t(kInitialRows) + 2);
        for (std::size_t row = 1; row < texts.size(); ++row)
            texts[row] = QString::number(row) + QLatin1Char(' ');
        return texts;
    }();
    BatchUpdate batch(*this);
    for (int row = 1; row < rows(); ++row) {
        setCellText(Col::Ms, row,
                    std::size_t(row) < usual.size() ? usual[std::size_t(row)]
                                                    : QString::number(row) + QLatin1Char(' '));
    }
}

int PointTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows();
}

int PointTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Col::Count;
}

QVariant PointTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return normalise(index.column(), index.row());
    case Qt::EditRole:
        return cellText(index.column(), index.row());
    case Qt::ToolTipRole: {
        // A typed value that only looks like a number says so where it stands.
        const int column = index.column();
        const int row = index.row();
        if (row < 1 || !isEditableColumn(column) || !readCell(column, row).isNotANumber())
            return {};
        return QStringLiteral("Keine gültige Zahl: Dieser Wert wird weder berechnet noch an "
                              "die SPS gesendet.");
    }
    default:
        return {};
    }
}

bool PointTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    setCellText(index.column(), index.row(), value.toString());
    return true;
}

Qt::ItemFlags PointTable::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.row() >= 1 && isEditableColumn(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

} // namespace abgleich
