// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/mainwindow.h"

#include "state/workingstate.h"
#include "ui/controls.h"
#include "ui/datapanel.h"
#include "ui/deviationchart.h"
#include "ui/devicepanel.h"
#include "ui/formstorage.h"
#include "ui/functionkeys.h"
#include "ui/intspinedit.h"
#include "ui/operationbar.h"
#include "ui/pointgrid.h"
#include "ui/protocolpanel.h"
#include "version.h"
#include "workflow/workbench.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace abgleich {

QString TFoAbgleich::windowTitleText() {
    return QStringLiteral("Abgleichwerte für DUDI und ZYK ") + QLatin1String(kFileVersion);
}

QString TFoAbgleich::AppIniFileStorageGetFileName() {
    return configDirFor(QDir::currentPath()) + QDir::separator() + QStringLiteral("Abgleich.ini");
}

TFoAbgleich::TFoAbgleich(Workbench& bench, QWidget* parent) : QWidget(parent), bench_(bench) {
    setObjectName(QStringLiteral("FoAbgleich"));
    setWindowTitle(windowTitleText());
    setFont(QFont(QStringLiteral("Arial"), 10));
    resize(layout::kClientWidth, layout::kClientHeight);
    setMinimumSize(layout::kMinClientWidth, layout::kMinClientHeight);
    setMaximumHeight(layout::kMaxClientHeight);

    Panel_Geratedaten = new DevicePanel(bench, this);
    Operation_Panel = new OperationBar(bench, this);
    Splitter2 = named(new QSplitter(Qt::Vertical, this), "Splitter2");
    Splitter2->setHandleWidth(layout::kSplitterWidth);
    Splitter2->setChildrenCollapsible(false);
    Daten_panel = new DataPanel(bench);
    Log_Panel = new ProtocolPanel(bench);
    Splitter2->addWidget(Daten_panel);
    Splitter2->addWidget(Log_Panel);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({layout::kDataHeight, layout::kLogHeight});

    // The panels as designed, in a view that scrolls where the window is smaller than that
    // (a screen smaller than the design); otherwise the view shows no scroll bar.
    auto* content = named(new QWidget, "Inhalt");
    content->setMinimumSize(layout::kMinClientWidth, layout::kMinClientHeight);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel_Geratedaten);
    column->addWidget(Operation_Panel);
    column->addWidget(Splitter2, 1);
    auto* view = named(new QScrollArea(this), "Ansicht");
    view->setFrameShape(QFrame::NoFrame);
    view->setWidgetResizable(true);
    view->setWidget(content);
    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(view);
    applyTabOrder();

    connect(Panel_Geratedaten, &DevicePanel::togglesChanged, this, &TFoAbgleich::settingsClick);
    connect(Daten_panel, &DataPanel::pointClicked, Operation_Panel->Ed_MS, &IntSpinEdit::setValue);
    keys_ = new FunctionKeys(this);
    connect(keys_, &FunctionKeys::operationRequested, this, &TFoAbgleich::FormKeyDown);
    storage_ = std::make_unique<FormStorage>(
        *this, AppIniFileStorageGetFileName(),
        FormStorage::Callbacks{
            [this] { return Daten_panel->columnWidthsText(); },
            [this](const QString& widths) { Daten_panel->restoreColumnWidths(widths); },
            [this](QWidget*, int width) { Daten_panel->setGridPanelWidth(width); }});
    Panel_Geratedaten->checkToggles();
    // The plant server the records go to and this bench's name, kept in the settings file.
    const PlantSettings plant = plantSettingsIn(storage_->file());
    bench_.setPlantServer(plant.server, plant.benchName);
    connect(&bench_, &Workbench::plantSettingsChanged, this, [this](const PlantSettings& edited) {
        storePlantSettings(storage_->file(), edited);
        storage_->file().save();
    });
    // Who signs the reports and the reference standard in use, likewise.
    bench_.setReportSettings(reportSettingsIn(storage_->file()));
    connect(&bench_, &Workbench::reportSettingsChanged, this, [this](const ReportSettings& edited) {
        storeReportSettings(storage_->file(), edited);
        storage_->file().save();
    });
}

void applyApplicationIdentity() {
    QIcon icon;
    for (const int size : {32, 64, 256})
        icon.addFile(QStringLiteral(":/abgleich/ui/icons/abgleich-%1.png").arg(size),
                     QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
}

TFoAbgleich::~TFoAbgleich() {
    // A window that goes without being closed still saves its settings.
    if (!storage_->saved())
        storage_->save();
}

void TFoAbgleich::applyTabOrder() {
    const DevicePanel& d = *Panel_Geratedaten;
    const OperationBar& o = *Operation_Panel;
    const ProtocolPanel& p = *Log_Panel;
    const QList<QWidget*> order = {
        d.Btn_Connect,
        d.ED_IP,
        d.Ed_Geraetetyp,
        d.ED_GeraeteID,
        d.Ed_SPSVersion,
        d.ED_AnzMS,
        d.Ed_Lastkalidate,
        d.ED_LastKaliTime,
        d.settings,
        p.Btn_Z,
        p.Btn_T,
        p.Btn_A,
        p.Btn_SendData,
        p.edtDataToSend,
        p.Btn_Clear,
        p.memLog,
        p.Btn_EA,
        p.NT_Auswahl,
        Daten_panel->RegChart,
        Daten_panel->DGrid->cellsView(),
        o.Btn_Abgleichabfrage,
        o.Btn_Abgleichsenden,
        o.Btn_Import,
        o.Btn_ResetTab,
        o.Btn_ComputeMS,
        o.Btn_computeAll,
        o.Ed_MS,
        o.BTN_Test,
    };
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void TFoAbgleich::settingsClick() {
    if (Panel_Geratedaten->isChecked(DevicePanel::ProtZeigen)) {
        Log_Panel->show();
        const int total = Splitter2->height() - Splitter2->handleWidth();
        Splitter2->setSizes({datenPanelHeight_, std::max(0, total - datenPanelHeight_)});
    } else {
        Log_Panel->hide();
    }
    bench_.table().setDiffColumnsHidden(!Panel_Geratedaten->isChecked(DevicePanel::DiffZeigen));
}

void TFoAbgleich::FormKeyDown(int key, Qt::KeyboardModifiers) {
    Daten_panel->DGrid->cellsView()->commitOpenEditor();
    switch (key) {
    case Qt::Key_F1:
        bench_.readCorrectionData(Trigger::FunctionKey);
        break;
    case Qt::Key_F2:
        bench_.upload();
        break;
    case Qt::Key_F3:
        bench_.importRecord();
        break;
    case Qt::Key_F4:
        bench_.recalculatePoint(Operation_Panel->Ed_MS->value());
        break;
    case Qt::Key_F12:
        bench_.recalculateAll(Trigger::FunctionKey);
        break;
    default:
        break;
    }
}

void TFoAbgleich::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    bench_.guarded([this] { storage_->restore(); });
    Panel_Geratedaten->captionForLink(bench_.linkOpen());
    if (const QScreen* s = screen(); s && !storage_->placed())
        move(s->availableGeometry().center() - rect().center());
    fitToScreen();
    // Once the window manager has framed the window, its real frame is known.
    QTimer::singleShot(kFramedAfterMs, this, &TFoAbgleich::fitToScreen);
}

void TFoAbgleich::fitToScreen() {
    const QScreen* s = screen();
    if (!s || isMaximized() || isFullScreen())
        return;
    const QRect avail = s->availableGeometry();
    const QRect inner = geometry();
    const QRect outer = frameGeometry();
    // The frame the window manager adds; before it has framed the window, room for a title
    // bar and borders.
    const QMargins frame =
        outer == inner ? QMargins(8, 40, 8, 8)
                       : QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                  outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QSize room(avail.width() - frame.left() - frame.right(),
                     avail.height() - frame.top() - frame.bottom());
    // On a screen smaller than designed, the designed minimum gives way (never above the
    // window's own size then, so that knowing the real frame later grows nothing).
    const QSize size = inner.size().boundedTo(room);
    setMinimumSize(
        QSize(layout::kMinClientWidth, layout::kMinClientHeight).boundedTo(room).boundedTo(size));
    // The title bar and the whole frame inside the work area.
    const int x = std::clamp(inner.left(), avail.left() + frame.left(),
                             avail.right() + 1 - frame.right() - size.width());
    const int y = std::clamp(inner.top(), avail.top() + frame.top(),
                             avail.bottom() + 1 - frame.bottom() - size.height());
    if (QRect(x, y, size.width(), size.height()) != inner)
        setGeometry(x, y, size.width(), size.height());
}

void TFoAbgleich::closeEvent(QCloseEvent* event) {
    storage_->save();
    bench_.close();
    event->accept();
}

} // namespace abgleich
