// Refreshing a table view that shows all 256 point rows: every shown cell of columns 3..18
// goes through the display rule, which rewrites the numbers written at full precision.
#include "ui/pointgrid.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace abgleich;

namespace {

void BM_RefreshFull256RowView(benchmark::State& run) {
    PointTable table(RegionalSettings::german());
    table.setRows(257);
    table.writeHeaderRow();
    table.writeRowNumbers();
    PointGrid grid(table, [] { return QFont(QStringLiteral("Arial"), 10); });
    grid.resize(1077, PointGrid::kRowHeight * 258);
    grid.show();
    QApplication::processEvents();
    for (auto _ : run) {
        run.PauseTiming();
        {
            BatchUpdate batch(table);
            for (int row = 1; row <= 256; ++row)
                for (int column = Col::ASps; column < Col::Count; ++column)
                    table.setCellNumber(column, row, row * 0.1234567 + column);
        }
        run.ResumeTiming();
        grid.fixedView()->viewport()->repaint();
        grid.cellsView()->viewport()->repaint();
    }
    if (table.cellText(Col::BNeu, 256).size() > 12)
        run.SkipWithError("the last row was not shown");
}

} // namespace

BENCHMARK(BM_RefreshFull256RowView)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
