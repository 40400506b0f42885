#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace abgleich {

class PointGrid;

// The table's context menu: "Verlauf…" and "Protokoll erstellen…". An open cell editor
// commits first; the action then runs from the event loop, after the menu has closed.
class TableMenu : public QObject {
    Q_OBJECT

public:
    TableMenu(PointGrid* grid, std::function<void()> history, std::function<void()> report);

    QMenu* menu() const { return menu_; }
    QAction* historyAction() const { return history_; }
    QAction* reportAction() const { return report_; }

private:
    QMenu* menu_;
    QAction* history_;
    QAction* report_;
};

} // namespace abgleich
