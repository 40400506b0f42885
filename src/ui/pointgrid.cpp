#include "ui/pointgrid.h"

#include "ui/gridstyle.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTouchEvent>
#include <QtMath>

#include <algorithm>
#include <vector>

namespace abgleich {

namespace {

// Room left for a cell's text: a margin of 2 pixels on either side (a value with three
// integer digits and three decimals still fits the data columns at the designed size).
QRect textRect(const QRect& cell) {
    return cell.adjusted(2, 0, -2, 0);
}

// Editors in the view's font; a data cell whose text does not fit shows its full text as
// its tooltip.
class GridCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (PointGrid::cellText(index.column(), text, QFontMetrics(option.font),
                                option.rect.width()) == text) {
            QToolTip::hideText();
            event->ignore();
            return false;
        }
        QToolTip::showText(event->globalPos(), text, view->viewport(), option.rect);
        return true;
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setFont(option.font);
        return editor;
    }
};

void styleView(QTableView* view, int rowHeight) {
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(rowHeight);
    view->verticalHeader()->setMinimumSectionSize(rowHeight);
    QHeaderView* header = view->horizontalHeader();
    header->setFixedHeight(rowHeight);
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    header->setMinimumSectionSize(8);
    header->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: rgb(230,230,230); color: black;"
        " border: none; border-right: 1px solid #a0a0a0; border-bottom: 1px solid #a0a0a0;"
        " padding: 0px 3px; }"));
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, gridstyle::kCream);
    view->setPalette(palette);
}

} // namespace

GridView::GridView(PointTable& table, QWidget* parent) : QTableView(parent), table_(table) {
    // The paint event fills every pixel: nothing to fill before, nothing below to show.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

const GridView::ShapedText& GridView::shaped(const QString& text) {
    // Kept per text for the font in use (see paintEvent); the store starts again when it
    // holds more than twice the cells the view last painted (and at least 2,048 texts).
    if (shaped_.size() > std::max(2048, 2 * cellsPainted_))
        shaped_.clear();
    auto it = shaped_.find(text);
    if (it == shaped_.end()) {
        ShapedText entry;
        entry.text.setTextFormat(Qt::PlainText);
        entry.text.setText(text);
        entry.text.prepare(QTransform(), shapedFont_);
        entry.width = QFontMetricsF(shapedFont_).horizontalAdvance(text);
        entry.advance = QFontMetrics(shapedFont_).horizontalAdvance(text);
        entry.breaksLines = std::any_of(text.begin(), text.end(), [](QChar c) {
            return c < u' ' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
                   c == QChar(0x85);
        });
        it = shaped_.insert(text, std::move(entry));
    }
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
    if (shapedFont_ != font()) {
        shaped_.clear();
        lastShown_.clear();
        shapedFont_ = font();
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
                const QRect room = textRect(cell);
                LastShown& memo = lastShown_[std::size_t(row) * Col::Count + column.index];
                if (!memo.shape || memo.text != text) {
                    memo.shape = shaped(text);
                    memo.text = text;
                }
                const ShapedText* shown = &*memo.shape;
                if (!PointGrid::fits(column.index, shown->advance, cell.width()))
                    shown = &marker;
                const QColor& ink = focused ? white : black;
                if (painter.pen().color() != ink)
                    painter.setPen(ink);
                if (shown->breaksLines) {
                    // Line breaks and tabs as the painter lays out a text in a rectangle.
                    painter.drawText(room, int(column.alignment | Qt::AlignVCenter),
                                     shown->text.text());
                    continue;
                }
                const qreal left = column.alignment & Qt::AlignRight
                                       ? room.x() + room.width() - shown->width
                                       : room.x();
                // Placed as the painter places aligned text: the line's top on a whole pixel,
                // cut at the room's edges where the text does not fit in it.
                const qreal lineTop = room.y() + (room.height() - textHeight) / 2;
                const bool cut =
                    !QRectF(room).contains(QRectF(left, lineTop, shown->width, textHeight));
                if (cut) {
                    painter.save();
                    painter.setClipRect(room, Qt::IntersectClip);
                }
                painter.drawStaticText(QPointF(left, qFloor(lineTop) + qCeil(metrics.leading())),
                                       shown->text);
                if (cut)
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
}

CaptionRowProxy::CaptionRowProxy(QObject* parent) : QSortFilterProxyModel(parent) {}

void CaptionRowProxy::setSourceModel(QAbstractItemModel* source) {
    QSortFilterProxyModel::setSourceModel(source);
    const auto allCaptions = [this] { emit headerDataChanged(Qt::Horizontal, 0, Col::Count - 1); };
    connect(source, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                if (from.row() == 0)
                    emit headerDataChanged(Qt::Horizontal, from.column(), to.column());
            });
    connect(source, &QAbstractItemModel::rowsInserted, this, allCaptions);
    connect(source, &QAbstractItemModel::rowsRemoved, this, allCaptions);
    connect(source, &QAbstractItemModel::modelReset, this, allCaptions);
}

QVariant CaptionRowProxy::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || !sourceModel())
        return QSortFilterProxyModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return sourceModel()->index(0, section).data(Qt::EditRole);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(gridstyle::columnAlignment(section) | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool CaptionRowProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return sourceRow != 0;
}

void CellsView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() != EditingState) {
        moveToNextColumn();
        return;
    }
    QTableView::keyPressEvent(event);
}

void CellsView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void CellsView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void CellsView::commitOpenEditor() {
    if (state() != EditingState)
        return;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor)
        return;
    commitData(editor);
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void CellsView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::SubmitModelCache) {
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        moveToNextColumn();
        return;
    }
    QTableView::closeEditor(editor, hint);
}

void CellsView::moveToNextColumn() {
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    for (int column = current.column() + 1; column < model()->columnCount(); ++column) {
        if (!isColumnHidden(column)) {
            setCurrentIndex(model()->index(current.row(), column));
            return;
        }
    }
}

PointGrid::PointGrid(PointTable& table, std::function<QFont()> cellFont, QWidget* parent)
    : QWidget(parent), table_(table), cellFont_(std::move(cellFont)),
      fixed_(new GridView(table_, this)), cells_(new CellsView(table_, this)) {
    setObjectName(QStringLiteral("DGrid"));
    proxy_.setSourceModel(&table_);
    fixed_->setObjectName(QStringLiteral("DGridFixedColumns"));
    cells_->setObjectName(QStringLiteral("DGridCells"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(fixed_);
    layout->addWidget(cells_, 1);

    for (GridView* view : {fixed_, static_cast<GridView*>(cells_)}) {
        view->setModel(&proxy_);
        view->setItemDelegate(new GridCellDelegate(this));
        styleView(view, kRowHeight);
    }
    fixed_->setSelectionModel(cells_->selectionModel());
    fixed_->setFocusPolicy(Qt::NoFocus);
    fixed_->setSelectionMode(QAbstractItemView::NoSelection);
    fixed_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cells_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    cells_->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
    cells_->setTabKeyNavigation(true);

    for (int column = 0; column < Col::Count; ++column) {
        const bool fixed = column < kFixedColumns;
        fixed_->setColumnHidden(column, !fixed);
        cells_->setColumnHidden(column, fixed);
        if (fixed)
            fixed_->setColumnWidth(column, kFixedWidths[column]);
    }
    fixed_->horizontalHeader()->setStretchLastSection(false);
    updateFixedWidth();

    connect(fixed_->verticalScrollBar(), &QScrollBar::valueChanged, cells_->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(cells_->verticalScrollBar(), &QScrollBar::valueChanged, fixed_->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(fixed_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { updateFixedWidth(); });

    connect(cells_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        emit cellClicked(index.column(), tableRow(index.row()));
    });
    connect(cells_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    emit cellSelected(current.column(), tableRow(current.row()));
            });
    connect(fixed_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        emit fixedCellClicked(index.column(), tableRow(index.row()));
    });
    for (GridView* view : {fixed_, static_cast<GridView*>(cells_)}) {
        connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this](int section) { emit fixedCellClicked(section, 0); });
    }
    connect(&table_, &PointTable::diffColumnsHiddenChanged, this, &PointGrid::setDiffColumnsHidden);
    for (GridView* view : {fixed_, static_cast<GridView*>(cells_)}) {
        view->viewport()->setAttribute(Qt::WA_AcceptTouchEvents);
        view->viewport()->installEventFilter(this);
    }
    applyFonts();
}

QString PointGrid::cellText(int column, const QString& text, const QFontMetrics& metrics,
                            int cellWidth) {
    return fits(column, metrics.horizontalAdvance(text), cellWidth)
               ? text
               : QString::fromLatin1(kCutMarker);
}

bool PointGrid::fits(int column, int advance, int cellWidth) {
    return column < kFixedColumns ||
           advance <= textRect(QRect(0, 0, cellWidth, kRowHeight)).width();
}

QString PointGrid::shownText(int column, int tableRow) const {
    const QTableView* view = column < kFixedColumns ? fixed_ : cells_;
    return cellText(column, proxy_.index(viewRow(tableRow), column).data().toString(),
                    QFontMetrics(view->font()), view->columnWidth(column));
}

int PointGrid::columnWidth(int column) const {
    return column < kFixedColumns ? fixed_->columnWidth(column) : cells_->columnWidth(column);
}

void PointGrid::setColumnWidth(int column, int width) {
    if (column < kFixedColumns)
        fixed_->setColumnWidth(column, width);
    else
        cells_->setColumnWidth(column, width);
}

void PointGrid::selectRow(int tableRow) {
    if (tableRow < 1 || tableRow >= table_.rows()) {
        cells_->selectionModel()->clearSelection();
        return;
    }
    cells_->selectionModel()->select(proxy_.index(viewRow(tableRow), 0),
                                     QItemSelectionModel::ClearAndSelect |
                                         QItemSelectionModel::Rows);
}

void PointGrid::applyFonts() {
    const QFont font = cellFont_();
    for (GridView* view : {fixed_, static_cast<GridView*>(cells_)}) {
        view->setFont(font);
        view->horizontalHeader()->setFont(font);
    }
}

void PointGrid::updateFixedWidth() {
    int width = 0;
    for (int column = 0; column < kFixedColumns; ++column)
        width += fixed_->columnWidth(column);
    fixed_->setFixedWidth(width);
}

void PointGrid::stretchCellColumns() {
    int visible = 0;
    for (int column = kFixedColumns; column < Col::Count; ++column)
        visible += cells_->isColumnHidden(column) ? 0 : 1;
    const int available = cells_->viewport()->width();
    if (visible == 0 || available <= 0)
        return;
    int left = available;
    for (int column = kFixedColumns; column < Col::Count; ++column) {
        if (cells_->isColumnHidden(column))
            continue;
        const int width = left / visible--;
        cells_->setColumnWidth(column, width);
        left -= width;
    }
}

void PointGrid::setDiffColumnsHidden(bool hidden) {
    for (int column = Col::Diff1; column <= Col::Diff4; ++column)
        cells_->setColumnHidden(column, hidden);
    stretchCellColumns();
}

bool PointGrid::eventFilter(QObject* watched, QEvent* event) {
    // The data columns fill the cells view whenever its width changes.
    if (watched == cells_->viewport() && event->type() == QEvent::Resize)
        stretchCellColumns();
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        if (watched == cells_->viewport() || watched == fixed_->viewport())
            return touchScroll(static_cast<QWidget*>(watched), static_cast<QTouchEvent*>(event));
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool PointGrid::touchScroll(QWidget* viewport, QTouchEvent* touch) {
    // A finger dragged over the table scrolls it by a whole row for every row height it
    // moves; a touch that does not move is a tap and clicks the cell under it.
    if (touch->points().isEmpty())
        return false;
    const QEventPoint& point = touch->points().first();
    switch (touch->type()) {
    case QEvent::TouchBegin:
        touchAnchorY_ = point.position().y();
        touchScrolled_ = false;
        break;
    case QEvent::TouchUpdate:
        if (const int rows = int((point.position().y() - touchAnchorY_) / kRowHeight)) {
            QScrollBar* bar = cells_->verticalScrollBar();
            bar->setValue(bar->value() - rows);
            touchAnchorY_ += rows * kRowHeight;
            touchScrolled_ = true;
        }
        break;
    case QEvent::TouchEnd:
        if (!touchScrolled_) {
            const QPointF at = point.position();
            const QPointF global = viewport->mapToGlobal(at);
            QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &press);
            QCoreApplication::sendEvent(viewport, &release);
        }
        break;
    default:
        break;
    }
    touch->accept();
    return true;
}

} // namespace abgleich
