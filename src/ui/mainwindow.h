// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "ui/windowlayout.h"

#include <QWidget>

#include <memory>

class QSplitter;

namespace abgleich {

class DataPanel;
class DevicePanel;
class FormStorage;
class FunctionKeys;
class OperationBar;
class ProtocolPanel;
class Workbench;

// The program's icon (the packaged one, in the sizes a window manager asks for) and its
// desktop file name, so that the window manager shows the icon of the menu entry.
void applyApplicationIdentity();
inline constexpr const char* kDesktopFileName = "abgleich";

// The main window `FoAbgleich`: the device data on top, the operation bar, the data panel
// (table and deviation chart) over the protocol panel. It makes the panels, binds them to
// the application layer, dispatches the function keys and keeps its settings in the
// settings file when shown and closed.
class TFoAbgleich : public QWidget {
    Q_OBJECT

public:
    explicit TFoAbgleich(Workbench& bench, QWidget* parent = nullptr);
    ~TFoAbgleich() override;

    Workbench& workbench() { return bench_; }
    FormStorage& storage() { return *storage_; }
    DataPanel& dataPanel() { return *Daten_panel; }
    ProtocolPanel& protocolPanel() { return *Log_Panel; }
    // The data panel's height as laid out, kept for the protocol toggle.
    int datenPanelHeight() const { return datenPanelHeight_; }

    // The view toggles: the protocol panel shown or not, the deviation columns shown or not.
    void settingsClick();
    // F1 to F4 and F12, each once per press, after an open cell editor has committed.
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);

    static QString windowTitleText();
    static QString AppIniFileStorageGetFileName();

protected:
    void showEvent(QShowEvent* event) override;
    // Keeps the window, its title bar and frame inside the work area of its screen: smaller
    // than designed where the screen is, the designed minimum giving way.
    void fitToScreen();
    static constexpr int kFramedAfterMs = 150;
    void closeEvent(QCloseEvent* event) override;

private:
    void applyTabOrder();

    Workbench& bench_;
    DevicePanel* Panel_Geratedaten;
    OperationBar* Operation_Panel;
    QSplitter* Splitter2;
    DataPanel* Daten_panel;
    ProtocolPanel* Log_Panel;
    FunctionKeys* keys_;
    int datenPanelHeight_ = layout::kDataHeight;
    bool shownOnce_ = false;
    std::unique_ptr<FormStorage> storage_;
};

} // namespace abgleich
