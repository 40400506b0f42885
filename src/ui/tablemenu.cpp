#include "ui/tablemenu.h"

#include "core/numbers.h"
#include "records/adjustmentreport.h"
#include "records/history.h"
#include "records/upload.h"
#include "state/authorisation.h"
#include "ui/historydialog.h"
#include "ui/pointgrid.h"
#include "ui/reportpdf.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace abgleich {

TableMenu::TableMenu(PointGrid* grid, std::function<void()> history, std::function<void()> report)
    : QObject(grid), menu_(new QMenu(grid)) {
    menu_->setObjectName(QStringLiteral("DGridMenu"));
    history_ = menu_->addAction(QStringLiteral("Verlauf…"));
    history_->setObjectName(QStringLiteral("Verlauf"));
    report_ = menu_->addAction(QStringLiteral("Protokoll erstellen…"));
    report_->setObjectName(QStringLiteral("ProtokollErstellen"));
    // Each action runs once the menu is gone, so that no dialog opens inside the delivery of
    // the click that chose it.
    const auto later = [this, grid](std::function<void()> action) {
        return [this, grid, action] {
            grid->cellsView()->commitOpenEditor();
            QMetaObject::invokeMethod(this, action, Qt::QueuedConnection);
        };
    };
    connect(history_, &QAction::triggered, this, later(std::move(history)));
    connect(report_, &QAction::triggered, this, later(std::move(report)));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& at) { menu_->popup(grid->mapToGlobal(at)); });
}

void showDeviceHistory(WorkingState& state, OperatorDialogs& dialogs, QWidget* parent) {
    if (!checkDeviceId(state.device.geraeteId, dialogs))
        return;
    THistoryDialog dialog(readDeviceHistory(changeLogPath(state), state.regional),
                          state.device.geraeteId, state.table, parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosenUpload())
        return;
    const QString notice = takeOverNotice(takeOverUpload(state, *dialog.chosenUpload()));
    if (!notice.isEmpty())
        dialogs.showNotice(notice);
}

void writeTableReport(WorkingState& state, OperatorDialogs& dialogs, const Clock& clock) {
    if (!checkDeviceId(state.device.geraeteId, dialogs))
        return;
    AdjustmentReport report = buildAdjustmentReport(state, strToInt(state.device.anzMS), false);
    report.when = clock.now();
    const QString path = writeAdjustmentReport(report, state.configdir);
    dialogs.showNotice(QStringLiteral("Das Abgleichprotokoll (nicht übertragen) wurde "
                                      "gespeichert:\n") +
                       QDir::toNativeSeparators(path));
}

} // namespace abgleich
