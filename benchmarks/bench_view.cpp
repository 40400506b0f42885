// Refreshing a table view that shows all 256 point rows: every shown cell of columns 3..18
// goes through the display rule, which rewrites the numbers written at full precision; once
// with the numbers shown before, once with new ones. And
// opening the history of a device with 10,000 uploads: reading the change log, filling the
// dialog and drawing it once.
#include "changelog10000.h"
#include "ui/historydialog.h"
#include "ui/pointgrid.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace abgleich;

namespace {

// Each refresh shows the same numbers again (newTexts false) or numbers never shown before,
// whose texts the view has to lay out first (newTexts true).
void refreshFull256RowView(benchmark::State& run, bool newTexts) {
    PointTable table(RegionalSettings::german());
    table.setRows(257);
    table.writeHeaderRow();
    table.writeRowNumbers();
    PointGrid grid(table, [] { return QFont(QStringLiteral("Arial"), 10); });
    grid.resize(1077, PointGrid::kRowHeight * 258);
    grid.show();
    QApplication::processEvents();
    double offset = 0;
    for (auto _ : run) {
        run.PauseTiming();
        {
            if (newTexts)
                offset += 0.0001;
            BatchUpdate batch(table);
            for (int row = 1; row <= 256; ++row)
                for (int column = Col::ASps; column < Col::Count; ++column)
                    table.setCellNumber(column, row, row * 0.1234567 + column + offset);
        }
        run.ResumeTiming();
        grid.fixedView()->viewport()->repaint();
        grid.cellsView()->viewport()->repaint();
    }
    if (table.cellText(Col::BNeu, 256).size() > 12)
        run.SkipWithError("the last row was not shown");
}

void BM_RefreshFull256RowView(benchmark::State& run) {
    refreshFull256RowView(run, false);
}
void BM_RefreshFull256RowViewNewTexts(benchmark::State& run) {
    refreshFull256RowView(run, true);
}

void BM_OpenHistory10000(benchmark::State& run) {
    const QString path = bench::changeLog10000();
    PointTable table(RegionalSettings::german());
    std::size_t listed = 0;
    for (auto _ : run) {
        THistoryDialog dialog(readDeviceHistory(path, table.regional()), QStringLiteral("4711"),
                              table);
        dialog.show();
        dialog.repaint();
        listed = std::size_t(dialog.Uploads->model()->rowCount());
    }
    if (listed != std::size_t(bench::kLoggedUploads))
        run.SkipWithError("not every upload was listed");
}

} // namespace

BENCHMARK(BM_RefreshFull256RowView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshFull256RowViewNewTexts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenHistory10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
