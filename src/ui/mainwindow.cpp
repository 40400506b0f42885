#include "ui/mainwindow.h"

#include "bench/commands.h"
#include "bench/replyparser.h"
#include "calc/recalculation.h"
#include "core/fields.h"
#include "core/numbers.h"
#include "records/csvimport.h"
#include "records/upload.h"
#include "state/authorisation.h"
#include "ui/anchoredpanel.h"
#include "ui/busyindicator.h"
#include "ui/deviationchart.h"
#include "ui/formstorage.h"
#include "ui/intspinedit.h"
#include "ui/pointgrid.h"
#include "ui/reportpdf.h"
#include "ui/tablemenu.h"
#include "version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSplitter>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <climits>

namespace abgleich {

namespace {

enum SettingsItem { ProtZeigen = 0, DiffZeigen = 1 };

using A = AnchoredPanel::Anchor;

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* button(const char* name, const QString& caption) {
    return named(new QPushButton(caption), name);
}

QLabel* label(const char* name, const QString& caption) {
    return named(new QLabel(caption), name);
}

// A field the operator only reads, on the button face.
QLineEdit* readOnlyField(const char* name) {
    auto* field = named(new QLineEdit, name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::TabFocus);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    field->setPalette(palette);
    return field;
}

QValidator* digitsOnly(QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

void setFieldText(QLineEdit* field, const QString& text) {
    if (field->text() != text)
        field->setText(text);
}

} // namespace

QString TFoAbgleich::windowTitleText() {
    return QStringLiteral("Abgleichwerte für DUDI und ZYK ") + QLatin1String(kFileVersion);
}

TFoAbgleich::TFoAbgleich(WindowServices services, const RegionalSettings& regional, QWidget* parent)
    : QWidget(parent), dialogs_(services.dialogs), session_(services.session),
      clock_(services.clock), state_(regional) {
    setObjectName(QStringLiteral("FoAbgleich"));
    setFont(QFont(QStringLiteral("Arial"), 10));
    resize(kClientWidth, kClientHeight);
    setMinimumSize(kMinClientWidth, kMinClientHeight);
    setMaximumHeight(kMaxClientHeight);

    buildDevicePanel();
    buildOperationPanel();
    buildDataPanel();
    buildLogPanel();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel_Geratedaten);
    layout->addWidget(Operation_Panel);
    layout->addWidget(Splitter2, 1);
    applyTabOrder();
    connectLink();
    setupTableContextMenu();

    connect(&state_, &WorkingState::deviceFieldsChanged, this, [this] { showDeviceFields(); });
    connect(&state_, &WorkingState::chartChanged, this, [this] { RegChart->render(state_.chart); });
    storage_ = std::make_unique<FormStorage>(
        *this, AppIniFileStorageGetFileName(),
        FormStorage::Callbacks{
            [this] { return FormStorageStoredValues0Save(); },
            [this](const QString& widths) { FormStorageStoredValues0Restore(widths); },
            [this](QWidget*, int width) {
                const int total = Splitter1->width() - Splitter1->handleWidth();
                Splitter1->setSizes({width, std::max(0, total - width)});
            }});
    FormCreate();
}

TFoAbgleich::~TFoAbgleich() {
    // A window that goes without being closed still saves its settings.
    if (!storage_->saved())
        storage_->save();
}

QString TFoAbgleich::AppIniFileStorageGetFileName() {
    const QString current = QDir::currentPath();
    state_.startverzeichnis = QDir::toNativeSeparators(current);
    state_.configdir = configDirFor(current);
    return state_.configdir + QDir::separator() + QStringLiteral("Abgleich.ini");
}

QString TFoAbgleich::FormStorageStoredValues0Save() const {
    std::array<double, PointGrid::kFixedColumns> widths{};
    for (int column = 0; column < PointGrid::kFixedColumns; ++column)
        widths[std::size_t(column)] = DGrid->columnWidth(column);
    return FormStorage::columnWidthsText(widths);
}

void TFoAbgleich::FormStorageStoredValues0Restore(const QString& columnWidths) {
    for (int column = 0; column < PointGrid::kFixedColumns; ++column)
        DGrid->setColumnWidth(column, strToInt(getCommaField(columnWidths, column + 1)));
}

void TFoAbgleich::buildDevicePanel() {
    Panel_Geratedaten =
        new AnchoredPanel(QStringLiteral("Panel_Geratedaten"), {kClientWidth, kDeviceHeight}, this);
    Panel_Geratedaten->setFixedHeight(kDeviceHeight);
    AnchoredPanel* p = Panel_Geratedaten;

    Btn_Connect = button("Btn_Connect", QStringLiteral("Prüfstand verbinden"));
    Label2 = label("Label2", QStringLiteral("IP"));
    ED_IP = named(new QLineEdit(QLatin1String(BenchSession::kDefaultHost)), "ED_IP");
    ED_IP->setPlaceholderText(QStringLiteral("Prüfstandadresse eintragen"));
    Label4 = label("Label4", QStringLiteral("Geräteart"));
    Ed_Geraetetyp = named(new QLineEdit, "Ed_Geraetetyp");
    Label1 = label("Label1", QStringLiteral("Geräte ID"));
    ED_GeraeteID = named(new QLineEdit, "ED_GeraeteID");
    ED_GeraeteID->setValidator(digitsOnly(ED_GeraeteID));
    Label6 = label("Label6", QStringLiteral("SPS Version"));
    Ed_SPSVersion = readOnlyField("Ed_SPSVersion");
    Label3 = label("Label3", QStringLiteral("Anzahl Messstellen"));
    ED_AnzMS = readOnlyField("ED_AnzMS");
    ED_AnzMS->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label7 = label("Label7", QStringLiteral("Letzte Korrektur"));
    Ed_Lastkalidate = readOnlyField("Ed_Lastkalidate");
    ED_LastKaliTime = readOnlyField("ED_LastKaliTime");

    settings = named(new QListWidget, "settings");
    settings->setFrameShape(QFrame::NoFrame);
    settings->setFont(QFont(QStringLiteral("Arial"), 9));
    settings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    settings->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const QString& text : {QStringLiteral("prot zeigen"), QStringLiteral("diff zeigen")}) {
        auto* item = new QListWidgetItem(text, settings);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }

    p->place(Btn_Connect, {8, 8, 160, 28});
    p->place(Label2, {178, 13, 18, 20});
    p->place(ED_IP, {198, 10, 120, 24});
    p->place(Label4, {332, 13, 70, 20});
    p->place(Ed_Geraetetyp, {404, 10, 90, 24});
    p->place(Label1, {508, 13, 68, 20});
    p->place(ED_GeraeteID, {578, 10, 80, 24});
    p->place(Label6, {672, 13, 84, 20});
    p->place(Ed_SPSVersion, {758, 10, 60, 24});
    p->place(Label3, {832, 13, 128, 20});
    p->place(ED_AnzMS, {962, 10, 50, 24});
    p->place(Label7, {1026, 13, 112, 20});
    p->place(Ed_Lastkalidate, {1140, 10, 92, 24});
    p->place(ED_LastKaliTime, {1236, 10, 72, 24});
    p->place(settings, {kClientWidth - 128, 2, 120, 40}, A::Top | A::Right);

    connect(ED_GeraeteID, &QLineEdit::textEdited, this,
            [this](const QString& text) { state_.device.geraeteId = text; });
    connect(Ed_Geraetetyp, &QLineEdit::textEdited, this,
            [this](const QString& text) { state_.device.geraetetyp = text; });
    connect(settings, &QListWidget::itemClicked, this,
            [this] { guarded([this] { settingsClick(); }); });
    connect(settings, &QListWidget::itemChanged, this,
            [this] { guarded([this] { settingsClick(); }); });
}

void TFoAbgleich::buildOperationPanel() {
    Operation_Panel = new AnchoredPanel(QStringLiteral("Operation_Panel"),
                                        {kClientWidth, kOperationHeight}, this);
    Operation_Panel->setFixedHeight(kOperationHeight);
    AnchoredPanel* p = Operation_Panel;

    Btn_Abgleichabfrage =
        button("Btn_Abgleichabfrage", QStringLiteral("Abgleichwerte von SPS abfragen (F1)"));
    Btn_Abgleichsenden =
        button("Btn_Abgleichsenden", QStringLiteral("Abgleichwerte an SPS übertragen (F2)"));
    Btn_Import = button("Btn_Import", QStringLiteral("Import (F3)"));
    Btn_ResetTab = button("Btn_ResetTab", QStringLiteral("Tabelle rücksetzen"));
    Btn_ComputeMS =
        button("Btn_ComputeMS", QStringLiteral("Koeffizienten für MS neu berechnen (F4)"));
    Label5 = label("Label5", QStringLiteral("MS"));
    Ed_MS = named(new IntSpinEdit, "Ed_MS");
    QPalette palette = Ed_MS->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    Ed_MS->setPalette(palette);
    Btn_computeAll =
        button("Btn_computeAll", QStringLiteral("Koeffizienten für ALLE neu berechnen (F12)"));
    BTN_Test = button("BTN_Test", QStringLiteral("BTN_Test"));

    p->place(Btn_Abgleichabfrage, {8, 4, 270, 30});
    p->place(Btn_Abgleichsenden, {284, 4, 270, 30});
    p->place(Btn_Import, {560, 4, 110, 30});
    p->place(Btn_ResetTab, {676, 4, 140, 30});
    p->place(Btn_ComputeMS, {822, 4, 290, 30});
    p->place(Label5, {1120, 9, 24, 20});
    p->place(Ed_MS, {1146, 6, 64, 26});
    p->place(Btn_computeAll, {1218, 4, 300, 30});
    p->place(BTN_Test, {kClientWidth + 16, 4, 75, 30}); // beyond the right edge
    Btn_ResetTab->hide();
    BTN_Test->hide();
}

void TFoAbgleich::buildDataPanel() {
    Splitter2 = named(new QSplitter(Qt::Vertical, this), "Splitter2");
    Splitter2->setHandleWidth(kSplitterWidth);
    Splitter2->setChildrenCollapsible(false);

    Daten_panel = named(new QWidget, "Daten_panel");
    auto* dataLayout = new QHBoxLayout(Daten_panel);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = named(new QSplitter(Qt::Horizontal, Daten_panel), "Splitter1");
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    dataLayout->addWidget(Splitter1);

    Gridpanel = named(new QWidget, "Gridpanel");
    auto* gridLayout = new QVBoxLayout(Gridpanel);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    Gridpanel_Caption = label("Gridpanel_Caption",
                              QStringLiteral("Formel:  mk = f(mw) = a + b * mw   (mk = Messwert "
                                             "korrigiert, mw = Messwert ursprünglich)"));
    Gridpanel_Caption->setFixedHeight(24);
    Gridpanel_Caption->setAlignment(Qt::AlignCenter);
    Gridpanel_Caption->setFont(QFont(QStringLiteral("Arial"), 11));
    Gridpanel_Caption->setAutoFillBackground(true);
    QPalette captionPalette = Gridpanel_Caption->palette();
    captionPalette.setColor(QPalette::Window, QColor(255, 251, 240));
    captionPalette.setColor(QPalette::WindowText, Qt::black);
    Gridpanel_Caption->setPalette(captionPalette);
    DGrid = new PointGrid(
        state_.table, [this] { return DGridGetCellLayout(); }, Gridpanel);
    gridLayout->addWidget(Gridpanel_Caption);
    gridLayout->addWidget(DGrid, 1);
    ActivityIndicator = new BusyIndicator(Gridpanel);
    ActivityIndicator->move(94, 150);

    RegChart = new DeviationChart(state_.regional);
    Splitter1->addWidget(Gridpanel);
    Splitter1->addWidget(RegChart);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kGridPanelWidth, kClientWidth - kGridPanelWidth - kSplitterWidth});

    connect(DGrid, &PointGrid::cellClicked, this,
            [this](int c, int r) { guarded([&] { DGridCellClick(c, r); }); });
    connect(DGrid, &PointGrid::cellSelected, this,
            [this](int c, int r) { guarded([&] { DGridSelectCell(c, r); }); });
    connect(DGrid, &PointGrid::fixedCellClicked, this,
            [this](int c, int r) { guarded([&] { DGridFixedCellClick(c, r); }); });
}

void TFoAbgleich::buildLogPanel() {
    const int height =
        kClientHeight - kDeviceHeight - kOperationHeight - kDataHeight - kSplitterWidth;
    Log_Panel = new AnchoredPanel(QStringLiteral("Log_Panel"), {kClientWidth, height});
    AnchoredPanel* p = Log_Panel;

    Btn_Z = button("Btn_Z", QStringLiteral("Z"));
    Btn_T = button("Btn_T", QStringLiteral("T"));
    Btn_A = button("Btn_A", QStringLiteral("A"));
    Btn_EA = button("Btn_EA", QStringLiteral("EA  Anzahl Netzteile festlegen :"));
    NT_Auswahl = named(new QComboBox, "NT_Auswahl");
    NT_Auswahl->setEditable(true);
    NT_Auswahl->setInsertPolicy(QComboBox::NoInsert);
    NT_Auswahl->addItems({QStringLiteral("Alle Netzteile"), QStringLiteral("1 Netzteil")});
    // Typed text selects the item it names; any other text leaves no item selected (the EA
    // command then says so with the index -1). Typing never adds an item.
    connect(NT_Auswahl->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString typed = NT_Auswahl->currentText();
        const int item = NT_Auswahl->findText(typed, Qt::MatchFixedString);
        if (item == NT_Auswahl->currentIndex() && item >= 0)
            return;
        NT_Auswahl->setCurrentIndex(item);
        NT_Auswahl->setEditText(item >= 0 ? NT_Auswahl->itemText(item) : typed);
    });
    Btn_SendData = button("Btn_SendData", QStringLiteral("Send"));
    edtDataToSend = named(new QLineEdit(QStringLiteral("U;")), "edtDataToSend");
    edtDataToSend->setPlaceholderText(QStringLiteral("Enter data to send here"));
    Btn_Clear = button("Btn_Clear", QStringLiteral("Clear"));
    memLog = named(new QPlainTextEdit, "memLog");
    memLog->setReadOnly(true);
    memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setFont(QFont(QStringLiteral("Courier New"), 9));

    p->place(Btn_Z, {8, 6, 36, 28});
    p->place(Btn_T, {48, 6, 36, 28});
    p->place(Btn_A, {88, 6, 36, 28});
    p->place(Btn_EA, {136, 6, 240, 28});
    p->place(NT_Auswahl, {380, 7, 150, 26});
    p->place(Btn_SendData, {542, 6, 70, 28});
    p->place(edtDataToSend, {616, 7, kClientWidth - 616 - 96, 26}, A::Left | A::Top | A::Right);
    p->place(Btn_Clear, {kClientWidth - 88, 6, 80, 28}, A::Top | A::Right);
    p->place(memLog, {0, 40, kClientWidth, height - 40}, A::Left | A::Top | A::Right | A::Bottom);

    Splitter2->addWidget(Daten_panel);
    Splitter2->addWidget(Log_Panel);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({kDataHeight, height});
}

void TFoAbgleich::connectLink() {
    connect(&session_, &BenchSession::logLine, this, &TFoAbgleich::appendLog);
    connect(&session_, &BenchSession::connectionChanged, this, [this](bool open) {
        if (open)
            TCPClientConnected();
        else
            TCPClientDisconnected();
    });
    connect(&session_, &BenchSession::busyEnded, ActivityIndicator, &BusyIndicator::stop);
    connect(&session_, &BenchSession::frameTaken, this, [this](QChar letter, const QString& body) {
        if (letter == u'U')
            guarded([&] { loadCorrectionReply(state_, dialogs_, body); });
    });
    const auto onClick = [this](QPushButton* b, void (TFoAbgleich::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    onClick(Btn_Connect, &TFoAbgleich::Btn_ConnectClick);
    onClick(Btn_Abgleichabfrage, &TFoAbgleich::Btn_AbgleichabfrageClick);
    onClick(Btn_T, &TFoAbgleich::Btn_TClick);
    onClick(Btn_Z, &TFoAbgleich::Btn_ZClick);
    onClick(Btn_A, &TFoAbgleich::Btn_AClick);
    onClick(Btn_EA, &TFoAbgleich::Btn_EAClick);
    onClick(Btn_SendData, &TFoAbgleich::Btn_SendDataClick);
    onClick(Btn_ComputeMS, &TFoAbgleich::Btn_ComputeMSClick);
    onClick(Btn_computeAll, &TFoAbgleich::Btn_computeAllClick);
    onClick(Btn_ResetTab, &TFoAbgleich::Btn_ResetTabClick);
    onClick(Btn_Abgleichsenden, &TFoAbgleich::Btn_AbgleichsendenClick);
    onClick(Btn_Import, &TFoAbgleich::Btn_ImportClick);
    onClick(Btn_Clear, &TFoAbgleich::Btn_ClearClick);
    // Key preview: every key press in the window, whichever control has the focus.
    qApp->installEventFilter(this);
    connect(ED_IP, &QLineEdit::textChanged, this, [this] { guarded([this] { edtHostChange(); }); });
}

void TFoAbgleich::applyTabOrder() {
    const QList<QWidget*> order = {
        Btn_Connect,
        ED_IP,
        Ed_Geraetetyp,
        ED_GeraeteID,
        Ed_SPSVersion,
        ED_AnzMS,
        Ed_Lastkalidate,
        ED_LastKaliTime,
        settings,
        Btn_Z,
        Btn_T,
        Btn_A,
        Btn_SendData,
        edtDataToSend,
        Btn_Clear,
        memLog,
        Btn_EA,
        NT_Auswahl,
        RegChart,
        DGrid->cellsView(),
        Btn_Abgleichabfrage,
        Btn_Abgleichsenden,
        Btn_Import,
        Btn_ResetTab,
        Btn_ComputeMS,
        Btn_computeAll,
        Ed_MS,
        BTN_Test,
    };
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void TFoAbgleich::FormCreate() {
    setWindowTitle(windowTitleText());
    state_.prepare(QDir::currentPath());
    DGrid->applyFonts();
    settings->blockSignals(true);
    settings->item(ProtZeigen)->setCheckState(Qt::Checked);
    settings->item(DiffZeigen)->setCheckState(Qt::Checked);
    settings->blockSignals(false);
    Ed_MS->setMinValue(0);
    Ed_MS->setMaxValue(0);
    Ed_MS->setValue(1);
    state_.datenPanelHeight = kDataHeight; // the data panel's height as laid out
    NT_Auswahl->setCurrentIndex(0);
    RegChart->render(state_.chart);
    showDeviceFields();
}

void TFoAbgleich::FormClose() {
    session_.close();
    state_.dList.clear();
    state_.table.setRows(0);
}

bool TFoAbgleich::isChecked(int item) const {
    return settings->item(item)->checkState() == Qt::Checked;
}

void TFoAbgleich::settingsClick() {
    if (isChecked(ProtZeigen)) {
        Log_Panel->show();
        const int total = Splitter2->height() - Splitter2->handleWidth();
        Splitter2->setSizes(
            {state_.datenPanelHeight, std::max(0, total - state_.datenPanelHeight)});
    } else {
        Log_Panel->hide();
    }
    state_.table.setDiffColumnsHidden(!isChecked(DiffZeigen));
}

void TFoAbgleich::DGridCellClick(int, int row) {
    Ed_MS->setValue(row);
}

void TFoAbgleich::DGridSelectCell(int, int row) {
    Ed_MS->setValue(row);
}

void TFoAbgleich::DGridFixedCellClick(int, int row) {
    Ed_MS->setValue(row);
    DGrid->selectRow(row);
}

QFont TFoAbgleich::DGridGetCellLayout() const {
    QFont font(QStringLiteral("Arial"), state_.defSize);
    font.setBold(false);
    font.setItalic(false);
    return font;
}

void TFoAbgleich::Btn_ClearClick() {
    memLog->clear();
}

void TFoAbgleich::Btn_ConnectClick() {
    if (session_.isOpen()) {
        session_.close();
        return;
    }
    ActivityIndicator->start();
    session_.connectChecked(ED_IP->text());
    ActivityIndicator->stop();
}

void TFoAbgleich::edtHostChange() {
    session_.changeHost(ED_IP->text());
}

void TFoAbgleich::TCPClientConnected() {
    Btn_Connect->setText(QStringLiteral("trennen"));
}

void TFoAbgleich::TCPClientDisconnected() {
    Btn_Connect->setText(QStringLiteral("Prüfstand verbinden"));
}

void TFoAbgleich::TCPClientReadData(QByteArrayView bytes) {
    session_.receive(bytes);
}

void TFoAbgleich::send2SPS(const QString& text) {
    session_.send2SPS(ED_IP->text(), text);
}

void TFoAbgleich::Btn_AbgleichabfrageClick() {
    send2SPS(command::kReadCorrectionData);
    ActivityIndicator->start();
}

void TFoAbgleich::Btn_TClick() {
    ActivityIndicator->start();
    send2SPS(command::setTime(clock_.now()));
}

void TFoAbgleich::Btn_ZClick() {
    ActivityIndicator->start();
    send2SPS(command::kZ);
}

void TFoAbgleich::Btn_AClick() {
    ActivityIndicator->start();
    send2SPS(command::kA);
}

void TFoAbgleich::Btn_EAClick() {
    if (!checkDeviceId(state_.device.geraeteId, dialogs_))
        return;
    if (!askAuthorisation(AuthorisationForm::Compact, QString(), PasswordRule::EA, state_.device,
                          dialogs_))
        return;
    send2SPS(command::powerSupplies(NT_Auswahl->currentIndex()));
}

void TFoAbgleich::Btn_SendDataClick() {
    session_.sendFreeText(edtDataToSend->text());
}

void TFoAbgleich::appendLog(const QString& line) {
    // A flood from the link must not make the protocol unusable or fill the memory: very
    // long lines are cut (normal replies are far shorter), and beyond a total size the
    // oldest lines go.
    if (line.size() > kMaxLogLine)
        memLog->appendPlainText(line.left(kMaxLogLine) +
                                QStringLiteral(" … (%1 Zeichen)").arg(line.size()));
    else
        memLog->appendPlainText(line);
    QTextDocument* log = memLog->document();
    if (log->characterCount() <= kMaxLogChars)
        return;
    QTextCursor oldest(log);
    oldest.movePosition(QTextCursor::Start);
    oldest.setPosition(log->characterCount() - kMaxLogChars * 3 / 4, QTextCursor::KeepAnchor);
    oldest.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    oldest.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
}

void TFoAbgleich::showDeviceFields() {
    const DeviceFields& device = state_.device;
    setFieldText(ED_GeraeteID, device.geraeteId);
    setFieldText(Ed_Geraetetyp, device.geraetetyp);
    setFieldText(Ed_SPSVersion, device.spsVersion);
    setFieldText(ED_AnzMS, device.anzMS);
    setFieldText(Ed_Lastkalidate, device.lastCorrection.dateText(state_.regional));
    setFieldText(ED_LastKaliTime, device.lastCorrection.timeText(state_.regional));
    Ed_MS->setMaxValue(state_.msUpperBound);
}

void TFoAbgleich::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    guarded([this] { storage_->restore(); });
    if (const QScreen* s = screen(); s && !storage_->placed())
        move(s->availableGeometry().center() - rect().center());
}

void TFoAbgleich::closeEvent(QCloseEvent* event) {
    storage_->save();
    guarded([this] { FormClose(); });
    event->accept();
}

void TFoAbgleich::Btn_ComputeMSClick() {
    computeMS(state_, Ed_MS->value());
}

void TFoAbgleich::Btn_computeAllClick() {
    namePassedOver(computeAll(state_, state_.anzMS));
}

void TFoAbgleich::Btn_ResetTabClick() {
    resetTable(state_);
}

void TFoAbgleich::sendCorrData() {
    abgleich::sendCorrData(
        state_, dialogs_, clock_,
        {[this](const QString& record) { send2SPS(record); },
         [this] { ActivityIndicator->start(); },
         [this](const AdjustmentReport& r) { writeAdjustmentReport(r, state_.configdir); }});
}

void TFoAbgleich::setupTableContextMenu() {
    new TableMenu(
        DGrid, [this] { guarded([this] { VerlaufClick(); }); },
        [this] { guarded([this] { ProtokollErstellenClick(); }); });
}

void TFoAbgleich::VerlaufClick() {
    showDeviceHistory(state_, dialogs_, this);
}

void TFoAbgleich::ProtokollErstellenClick() {
    writeTableReport(state_, dialogs_, clock_);
}

void TFoAbgleich::importCSV() {
    abgleich::importCSV(state_, dialogs_);
}

void TFoAbgleich::Btn_AbgleichsendenClick() {
    sendCorrData();
}

void TFoAbgleich::Btn_ImportClick() {
    importCSV();
}

void TFoAbgleich::FormKeyDown(int key, Qt::KeyboardModifiers) {
    switch (key) {
    case Qt::Key_F1:
        send2SPS(command::kReadCorrectionData);
        break;
    case Qt::Key_F2:
        sendCorrData();
        break;
    case Qt::Key_F3:
        importCSV();
        break;
    case Qt::Key_F4:
        computeMS(state_, Ed_MS->value());
        break;
    case Qt::Key_F12: {
        const int count = strToInt(ED_AnzMS->text());
        const QList<int> passedOver = computeAll(state_, count);
        Ed_MS->setValue(int(std::min<qint64>(qint64(count) + 1, INT_MAX)));
        namePassedOver(passedOver);
        break;
    }
    default:
        break;
    }
}

bool TFoAbgleich::eventFilter(QObject* watched, QEvent* event) {
    // A key press travels from the focused control up to its parents; it is seen once, at
    // the focused control, and only when that control is in this window. The operation of a
    // function key runs after the key has been delivered (the control still gets it), from
    // the event loop: an operation that opens a dialog must not pull the focus, and with it
    // a cell editor, away from under the delivery of the very key that started it.
    if (event->type() == QEvent::KeyPress) {
        const QWidget* focus = QApplication::focusWidget();
        const bool atFocus = focus ? watched == focus && focus->window() == this : watched == this;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (atFocus && isFunctionKey(key->key())) {
            pendingKeys_.push_back({key->key(), key->modifiers()});
            if (!runningKeys_ && pendingKeys_.size() == 1)
                QMetaObject::invokeMethod(this, &TFoAbgleich::runPendingKeys, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TFoAbgleich::isFunctionKey(int key) {
    switch (key) {
    case Qt::Key_F1:
    case Qt::Key_F2:
    case Qt::Key_F3:
    case Qt::Key_F4:
    case Qt::Key_F12:
        return true;
    default:
        return false;
    }
}

void TFoAbgleich::runPendingKeys() {
    // One operation at a time, each to its end: a key pressed while one runs (a dialog's
    // event loop, an open that waits) is taken after it.
    if (runningKeys_)
        return;
    runningKeys_ = true;
    while (!pendingKeys_.empty()) {
        const PendingKey key = pendingKeys_.front();
        pendingKeys_.pop_front();
        DGrid->cellsView()->commitOpenEditor();
        guarded([&] { FormKeyDown(key.key, key.modifiers); });
    }
    runningKeys_ = false;
}

} // namespace abgleich
