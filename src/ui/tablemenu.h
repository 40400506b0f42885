// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace abgleich {

class PointGrid;

// The table's context menu: "Verlauf…", "Protokoll erstellen…", "Nachmessung
// protokollieren…", "Toleranzen…", "Prüfmittel…", "Anlagenübersicht…" and "Zentrale
// Datenbank…". An open cell editor commits first; the action then runs from the
// event loop, after the menu has closed.
class TableMenu : public QObject {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> history;
        std::function<void()> report;
        std::function<void()> check;
        std::function<void()> tolerances;
        std::function<void()> standards;
        std::function<void()> plant;
        std::function<void()> server;
    };
    TableMenu(PointGrid* grid, Actions actions);

    QMenu* menu() const { return menu_; }
    QAction* historyAction() const { return history_; }
    QAction* reportAction() const { return report_; }
    QAction* checkAction() const { return check_; }
    QAction* tolerancesAction() const { return tolerances_; }
    QAction* standardsAction() const { return standards_; }
    QAction* plantAction() const { return plant_; }
    QAction* serverAction() const { return server_; }

private:
    QMenu* menu_;
    QAction* history_;
    QAction* report_;
    QAction* check_;
    QAction* tolerances_;
    QAction* standards_;
    QAction* plant_;
    QAction* server_;
};

} // namespace abgleich
