#pragma once

#include "bench/benchsession.h"
#include "core/clock.h"
#include "core/guard.h"
#include "core/operatordialogs.h"
#include "state/workingstate.h"

#include <deque>
#include <memory>

#include <QFont>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSplitter;

namespace abgleich {

class AnchoredPanel;
class FormStorage;
class BusyIndicator;
class DeviationChart;
class IntSpinEdit;
class PointGrid;

// What the main window works with, made by the program entry (or a test): the operator
// dialogs, the session with the bench controller and the clock.
struct WindowServices {
    OperatorDialogs& dialogs;
    BenchSession& session;
    const Clock& clock;
};

// The main window `FoAbgleich`: device data on top, the operation buttons, the table beside
// the deviation chart, and the protocol of the bench link. It owns the controls and the
// working state and forwards every event to the operations, each through one error wrapper.
class TFoAbgleich : public QWidget {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 1584;
    static constexpr int kClientHeight = 928;
    static constexpr int kDeviceHeight = 44;
    static constexpr int kOperationHeight = 38;
    static constexpr int kDataHeight = 594;
    static constexpr int kSplitterWidth = 5;
    static constexpr int kGridPanelWidth = 1077;
    // The smallest outer size 1600 x 722 less a usual frame.
    static constexpr int kMinClientWidth = 1584;
    static constexpr int kMinClientHeight = 683;
    static constexpr int kMaxClientHeight = 1881;
    // The protocol memo keeps about this many characters, each line cut at kMaxLogLine.
    static constexpr int kMaxLogChars = 4 * 1024 * 1024;
    static constexpr qsizetype kMaxLogLine = 64 * 1024;

    TFoAbgleich(WindowServices services, const RegionalSettings& regional,
                QWidget* parent = nullptr);
    ~TFoAbgleich() override;

    WorkingState& state() { return state_; }

    // Handlers
    void settingsClick();
    void DGridCellClick(int column, int row);
    void DGridSelectCell(int column, int row);
    void DGridFixedCellClick(int column, int row);
    QFont DGridGetCellLayout() const;
    void Btn_ClearClick();
    void FormClose();

    // Bench link and commands
    void Btn_ConnectClick();
    void edtHostChange();
    void TCPClientConnected();
    void TCPClientDisconnected();
    void TCPClientReadData(QByteArrayView bytes);
    void send2SPS(const QString& text);
    void Btn_AbgleichabfrageClick();
    void Btn_TClick();
    void Btn_ZClick();
    void Btn_AClick();
    void Btn_EAClick();
    void Btn_SendDataClick();

    // Calculation
    void Btn_ComputeMSClick();
    void Btn_computeAllClick();
    void Btn_ResetTabClick();

    // Records
    void Btn_AbgleichsendenClick();
    void Btn_ImportClick();
    void sendCorrData();
    void importCSV();

    // The table's context menu: the device's history and a report of the table.
    void VerlaufClick();
    void ProtokollErstellenClick();

    // Settings file
    QString AppIniFileStorageGetFileName();
    QString FormStorageStoredValues0Save() const;
    void FormStorageStoredValues0Restore(const QString& columnWidths);
    FormStorage& storage() { return *storage_; }

    // The function keys, seen before the focused control gets them (which it still does).
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // F1 to F4 and F12: the keys FormKeyDown acts on.
    static bool isFunctionKey(int key);

    // One line in the protocol memo.
    void appendLog(const QString& line);
    // Runs an operator action through the error wrapper.
    template <typename Action> void guarded(Action&& action) {
        runGuarded(dialogs_, std::forward<Action>(action));
    }

    static QString windowTitleText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Device-data panel
    AnchoredPanel* Panel_Geratedaten;
    QPushButton* Btn_Connect;
    QLabel* Label2;
    QLineEdit* ED_IP;
    QLabel* Label4;
    QLineEdit* Ed_Geraetetyp;
    QLabel* Label1;
    QLineEdit* ED_GeraeteID;
    QLabel* Label6;
    QLineEdit* Ed_SPSVersion;
    QLabel* Label3;
    QLineEdit* ED_AnzMS;
    QLabel* Label7;
    QLineEdit* Ed_Lastkalidate;
    QLineEdit* ED_LastKaliTime;
    QListWidget* settings;

    // Operation panel
    AnchoredPanel* Operation_Panel;
    QPushButton* Btn_Abgleichabfrage;
    QPushButton* Btn_Abgleichsenden;
    QPushButton* Btn_Import;
    QPushButton* Btn_ResetTab;
    QPushButton* Btn_ComputeMS;
    QLabel* Label5;
    IntSpinEdit* Ed_MS;
    QPushButton* Btn_computeAll;
    QPushButton* BTN_Test;

    // Data panel
    QSplitter* Splitter2;
    QWidget* Daten_panel;
    QSplitter* Splitter1;
    QWidget* Gridpanel;
    QLabel* Gridpanel_Caption;
    PointGrid* DGrid;
    BusyIndicator* ActivityIndicator;
    DeviationChart* RegChart;

    // Protocol panel
    AnchoredPanel* Log_Panel;
    QPushButton* Btn_Z;
    QPushButton* Btn_T;
    QPushButton* Btn_A;
    QPushButton* Btn_EA;
    QComboBox* NT_Auswahl;
    QPushButton* Btn_SendData;
    QLineEdit* edtDataToSend;
    QPushButton* Btn_Clear;
    QPlainTextEdit* memLog;

    void buildDevicePanel();
    void buildOperationPanel();
    void buildDataPanel();
    void buildLogPanel();
    void connectLink();
    void applyTabOrder();
    void setupTableContextMenu();
    void FormCreate();
    void showDeviceFields();
    bool isChecked(int item) const;
    void runPendingKeys();

    OperatorDialogs& dialogs_;
    BenchSession& session_;
    const Clock& clock_;
    WorkingState state_;
    bool shownOnce_ = false;
    // Function keys pressed and not yet acted on, and whether one is being acted on.
    struct PendingKey {
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    std::deque<PendingKey> pendingKeys_;
    bool runningKeys_ = false;
    std::unique_ptr<FormStorage> storage_;
};

} // namespace abgleich
