// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/tablemenu.h"

#include "ui/pointgrid.h"

#include <QAction>
#include <QMenu>

namespace abgleich {

TableMenu::TableMenu(PointGrid* grid, Actions actions) : QObject(grid), menu_(new QMenu(grid)) {
    menu_->setObjectName(QStringLiteral("DGridMenu"));
    history_ = menu_->addAction(QStringLiteral("Verlauf…"));
    history_->setObjectName(QStringLiteral("Verlauf"));
    report_ = menu_->addAction(QStringLiteral("Protokoll erstellen…"));
    report_->setObjectName(QStringLiteral("ProtokollErstellen"));
    check_ = menu_->addAction(QStringLiteral("Nachmessung protokollieren…"));
    check_->setObjectName(QStringLiteral("Nachmessung"));
    tolerances_ = menu_->addAction(QStringLiteral("Toleranzen…"));
    tolerances_->setObjectName(QStringLiteral("Toleranzen"));
    standards_ = menu_->addAction(QStringLiteral("Prüfmittel…"));
    standards_->setObjectName(QStringLiteral("Pruefmittel"));
    menu_->addSeparator();
    plant_ = menu_->addAction(QStringLiteral("Anlagenübersicht…"));
    plant_->setObjectName(QStringLiteral("Anlagenuebersicht"));
    server_ = menu_->addAction(QStringLiteral("Zentrale Datenbank…"));
    server_->setObjectName(QStringLiteral("ZentraleDatenbank"));
    // Each action runs once the menu is gone, so that no dialog opens inside the delivery of
    // the click that chose it.
    const auto later = [this, grid](std::function<void()> action) {
        return [this, grid, action] {
            grid->cellsView()->commitOpenEditor();
            QMetaObject::invokeMethod(this, action, Qt::QueuedConnection);
        };
    };
    connect(history_, &QAction::triggered, this, later(std::move(actions.history)));
    connect(report_, &QAction::triggered, this, later(std::move(actions.report)));
    connect(check_, &QAction::triggered, this, later(std::move(actions.check)));
    connect(tolerances_, &QAction::triggered, this, later(std::move(actions.tolerances)));
    connect(standards_, &QAction::triggered, this, later(std::move(actions.standards)));
    connect(plant_, &QAction::triggered, this, later(std::move(actions.plant)));
    connect(server_, &QAction::triggered, this, later(std::move(actions.server)));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint& at) { menu_->popup(grid->mapToGlobal(at)); });
}

} // namespace abgleich
