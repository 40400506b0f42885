// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/datapanel.h"

#include "core/fields.h"
#include "core/numbers.h"
#include "ui/busyindicator.h"
#include "ui/controls.h"
#include "ui/deviationchart.h"
#include "ui/formstorage.h"
#include "ui/pointgrid.h"
#include "ui/tablemenu.h"
#include "ui/windowlayout.h"
#include "workflow/workbench.h"

#include <QSplitter>
#include <QVBoxLayout>

#include <array>

namespace abgleich {

DataPanel::DataPanel(Workbench& bench, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Daten_panel"));
    auto* dataLayout = new QHBoxLayout(this);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = named(new QSplitter(Qt::Horizontal, this), "Splitter1");
    Splitter1->setHandleWidth(layout::kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    dataLayout->addWidget(Splitter1);

    Gridpanel = named(new QWidget, "Gridpanel");
    auto* gridLayout = new QVBoxLayout(Gridpanel);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    Gridpanel_Caption = label("Gridpanel_Caption",
                              QStringLiteral("Formel:  mk = f(mw) = a + b * mw   (mk = Messwert "
                                             "korrigiert, mw = Messwert ursprünglich)"));
    Gridpanel_Caption->setFixedHeight(24);
    Gridpanel_Caption->setAlignment(Qt::AlignCenter);
    Gridpanel_Caption->setFont(QFont(QStringLiteral("Arial"), 11));
    Gridpanel_Caption->setAutoFillBackground(true);
    QPalette captionPalette = Gridpanel_Caption->palette();
    captionPalette.setColor(QPalette::Window, QColor(255, 251, 240));
    captionPalette.setColor(QPalette::WindowText, Qt::black);
    Gridpanel_Caption->setPalette(captionPalette);
    DGrid = new PointGrid(
        bench.table(), [this] { return DGridGetCellLayout(); }, Gridpanel);
    gridLayout->addWidget(Gridpanel_Caption);
    gridLayout->addWidget(DGrid, 1);
    ActivityIndicator = new BusyIndicator(Gridpanel);
    ActivityIndicator->move(94, 150);

    RegChart = new DeviationChart(bench.regional());
    Splitter1->addWidget(Gridpanel);
    Splitter1->addWidget(RegChart);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({layout::kGridPanelWidth,
                         layout::kClientWidth - layout::kGridPanelWidth - layout::kSplitterWidth});
    DGrid->applyFonts();
    RegChart->render(bench.state().chart);

    // A click on a row, on its number or a move of the selection chooses that point; a click
    // on the number also selects the whole row.
    connect(DGrid, &PointGrid::cellClicked, this, [this](int, int row) { emit pointClicked(row); });
    connect(DGrid, &PointGrid::cellSelected, this,
            [this](int, int row) { emit pointClicked(row); });
    connect(DGrid, &PointGrid::fixedCellClicked, this, [this](int, int row) {
        emit pointClicked(row);
        DGrid->selectRow(row);
    });
    connect(&bench, &Workbench::chartChanged, RegChart,
            [this, &bench] { RegChart->render(bench.state().chart); });
    connect(&bench, &Workbench::busyStarted, ActivityIndicator, &BusyIndicator::start);
    connect(&bench, &Workbench::busyEnded, ActivityIndicator, &BusyIndicator::stop);
    // The verdicts of each point beside its number, as the report would give them now.
    DGrid->setRowMarks([&bench](int row) -> std::optional<RowMark> {
        const auto judged = bench.judgePoint(row);
        if (!judged)
            return std::nullopt;
        const auto state = [](Verdict verdict) {
            switch (verdict) {
            case Verdict::Pass:
                return RowMark::State::Pass;
            case Verdict::Fail:
                return RowMark::State::Fail;
            case Verdict::NoTolerance:
                return RowMark::State::NoTolerance;
            case Verdict::NoValues:
                break;
            }
            return RowMark::State::None;
        };
        return RowMark{state(judged->asFound), state(judged->asLeft), judged->toolTip};
    });
    connect(&bench, &Workbench::tolerancesChanged, DGrid, &PointGrid::refreshMarks);
    connect(&bench, &Workbench::deviceFieldsChanged, DGrid, &PointGrid::refreshMarks);
    new TableMenu( // a child of the table, which it serves
        DGrid, {[&bench] { bench.showHistory(); }, [&bench] { bench.writeTableReport(); },
                [&bench] { bench.recordCheck(); }, [&bench] { bench.editTolerances(); },
                [&bench] { bench.editStandards(); }, [&bench] { bench.showPlant(); },
                [&bench] { bench.configurePlantServer(); }});
}

QFont DataPanel::DGridGetCellLayout() const {
    QFont font(QStringLiteral("Arial"), kCellFontSize);
    font.setBold(false);
    font.setItalic(false);
    return font;
}

QString DataPanel::columnWidthsText() const {
    std::array<double, PointGrid::kFixedColumns> widths{};
    for (int column = 0; column < PointGrid::kFixedColumns; ++column)
        widths[std::size_t(column)] = DGrid->columnWidth(column);
    return FormStorage::columnWidthsText(widths);
}

void DataPanel::restoreColumnWidths(const QString& text) {
    for (int column = 0; column < PointGrid::kFixedColumns; ++column) {
        int width = strToInt(getCommaField(text, column + 1));
        // A width that would hide the column or push the rest of the table out of reach
        // gives way to the default.
        if (width < layout::kMinColumnWidth || width > layout::kMaxColumnWidth)
            width = strToInt(getCommaField(FormStorage::kDefaultColumnWidths, column + 1));
        DGrid->setColumnWidth(column, width);
    }
}

void DataPanel::setGridPanelWidth(int width) {
    const int total = Splitter1->width() - Splitter1->handleWidth();
    Splitter1->setSizes({width, std::max(0, total - width)});
}

} // namespace abgleich
