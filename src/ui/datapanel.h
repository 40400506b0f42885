// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QFont>
#include <QWidget>

class QLabel;
class QSplitter;

namespace abgleich {

class BusyIndicator;
class DeviationChart;
class PointGrid;
class Workbench;

// The data panel: the point table under its formula caption, with the busy indicator over
// it, beside the deviation chart; the table's context menu opens the device's history and
// the report of the table.
class DataPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCellFontSize = 10;

    explicit DataPanel(Workbench& bench, QWidget* parent = nullptr);

    // The font of the table's cells.
    QFont DGridGetCellLayout() const;
    // The widths of the three fixed columns as the settings file keeps them.
    QString columnWidthsText() const;
    void restoreColumnWidths(const QString& text);
    // The table's panel as wide as given, the chart taking the rest.
    void setGridPanelWidth(int width);

    QSplitter* Splitter1;
    QWidget* Gridpanel;
    QLabel* Gridpanel_Caption;
    PointGrid* DGrid;
    BusyIndicator* ActivityIndicator;
    DeviationChart* RegChart;

signals:
    // The operator clicked or selected a point's row.
    void pointClicked(int row);
};

} // namespace abgleich
