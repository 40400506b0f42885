// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/pointgrid.h"

#include "ui/gridstyle.h"

#include <QCoreApplication>
#include <QFontDatabase>
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

// Editors in the view's font; a data cell whose text does not fit shows its full text as
// its tooltip.
class GridCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        // The point number tells the verdicts its marks show.
        if (const auto* grid = qobject_cast<const GridView*>(view);
            grid && index.column() == Col::Ms && grid->rowMarks()) {
            if (const std::optional<RowMark> mark = grid->rowMarks()(index.row() + 1)) {
                QToolTip::showText(event->globalPos(), mark->toolTip, view->viewport(),
                                   option.rect);
                return true;
            }
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        if (PointGrid::cellText(index.column(), text, option.font, option.rect.width()) == text) {
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

std::vector<QFont> PointGrid::cellFaces(const QFont& font) {
    static const bool narrowInstalled =
        QFontDatabase::families().contains(QStringLiteral("Liberation Sans Narrow"));
    std::vector<QFont> faces{font};
    if (narrowInstalled) {
        QFont narrow = font;
        narrow.setFamilies({QStringLiteral("Liberation Sans Narrow")});
        faces.push_back(narrow);
    }
    for (const int stretch : {90, 85, 80, 75}) {
        QFont condensed = font;
        condensed.setStretch(stretch);
        faces.push_back(condensed);
    }
    return faces;
}

bool PointGrid::fitsFace(int column, std::size_t face, int advance, int cellWidth) {
    return face == 0 ? fits(column, advance, cellWidth) : advance <= cellWidth - 2;
}

QString PointGrid::cellText(int column, const QString& text, const QFont& font, int cellWidth) {
    const std::vector<QFont> faces = cellFaces(font);
    for (std::size_t face = 0; face < faces.size(); ++face)
        if (fitsFace(column, face, QFontMetrics(faces[face]).horizontalAdvance(text), cellWidth))
            return text;
    return QString::fromLatin1(kCutMarker);
}

bool PointGrid::fits(int column, int advance, int cellWidth) {
    return column < kFixedColumns ||
           advance <= gridstyle::textRect(QRect(0, 0, cellWidth, kRowHeight)).width();
}

QString PointGrid::shownText(int column, int tableRow) const {
    const QTableView* view = column < kFixedColumns ? fixed_ : cells_;
    return cellText(column, proxy_.index(viewRow(tableRow), column).data().toString(), view->font(),
                    view->columnWidth(column));
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

void PointGrid::setRowMarks(RowMarks marks) {
    fixed_->setRowMarks(std::move(marks));
    refreshMarks();
}

void PointGrid::refreshMarks() {
    fixed_->viewport()->update();
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
