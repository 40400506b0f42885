#pragma once

#include "core/clock.h"
#include "core/operatordialogs.h"
#include "state/workingstate.h"

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

// "Verlauf…": the device's uploads from its change log in the history dialog; an upload
// taken over ("Übernehmen") goes into columns 17 and 18, and a notice tells of points that
// did not match. The device ID must be given, as for an upload.
void showDeviceHistory(WorkingState& state, OperatorDialogs& dialogs, QWidget* parent);

// "Protokoll erstellen…": the adjustment report of the table as it stands, marked as not
// uploaded, in the configuration directory; the operator is told its file name.
void writeTableReport(WorkingState& state, OperatorDialogs& dialogs, const Clock& clock);

} // namespace abgleich
