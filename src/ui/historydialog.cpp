// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/historydialog.h"

#include "calc/recalculation.h"
#include "core/numbers.h"
#include "core/text.h"
#include "state/loadedrecord.h"
#include "ui/gridstyle.h"
#include "ui/uploadlistmodel.h"

#include <QBrush>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtConcurrent>

#include <cmath>

namespace abgleich {

namespace {

const QString kDash = QStringLiteral("–");
const QColor kColourA(0, 90, 160);
const QColor kColourB(200, 90, 0);
// A chart with this many points or fewer marks each upload.
constexpr int kMarkedPoints = 60;

enum CoefficientColumn { CMs, CName, CUnit, CAUpload, CBUpload, CANow, CBNow, CCount };

bool differs(const std::optional<double>& now, qint64 thousandths) {
    return now && std::llround(*now * 1000) != thousandths;
}

QTableWidgetItem* item(const QString& text, bool number) {
    auto* cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    cell->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return cell;
}

void mark(QTableWidgetItem* cell) {
    cell->setBackground(gridstyle::kNewValues);
    QFont font = cell->font();
    font.setBold(true);
    cell->setFont(font);
}

// A range around the values that shows a line even when they are all equal.
void fitRange(QValueAxis* axis, double low, double high) {
    if (high - low < 1e-9) {
        const double pad = std::max(0.001, std::fabs(high) * 0.01);
        low -= pad;
        high += pad;
    }
    const double margin = (high - low) * 0.08;
    axis->setRange(low - margin, high + margin);
    axis->applyNiceNumbers();
}

} // namespace

THistoryDialog::THistoryDialog(DeviceHistory history, HistoryReader& reader, HistoryCheck check,
                               WorkingState& state, QWidget* parent)
    : QDialog(parent), history_(std::move(history)), reader_(reader), check_(std::move(check)),
      state_(state), table_(state.table) {
    setObjectName(QStringLiteral("FoVerlauf"));
    setWindowTitle(QStringLiteral("Verlauf – Gerät ") + history_.deviceId +
                   (history_.benchName.isEmpty()
                        ? QString()
                        : QStringLiteral(" – Prüfstand ") + history_.benchName));
    resize(1280, 800);

    Notice = new QLabel(history_.notice);
    Notice->setObjectName(QStringLiteral("Notice"));
    Notice->setWordWrap(true);
    Notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Notice->setStyleSheet(QStringLiteral("QLabel { background: rgb(255,244,192); border: 1px solid "
                                         "rgb(200,170,80); padding: 6px; }"));
    Notice->setVisible(!history_.notice.isEmpty());

    model_ = new UploadListModel(history_, table_.regional(), this);
    Uploads = new QTableView;
    Uploads->setObjectName(QStringLiteral("Uploads"));
    Uploads->setModel(model_);
    Uploads->setSelectionBehavior(QAbstractItemView::SelectRows);
    Uploads->setSelectionMode(QAbstractItemView::SingleSelection);
    Uploads->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Uploads->setWordWrap(false);
    Uploads->verticalHeader()->hide();
    Uploads->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Uploads->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Uploads->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    Uploads->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    Uploads->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Fixed);
    // Fixed widths: sizing a column to its contents would measure every row of a long list.
    Uploads->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Fixed);
    Uploads->setColumnWidth(0, 160);
    Uploads->setColumnWidth(2, 100);
    Uploads->setColumnWidth(
        3, fontMetrics().horizontalAdvance(QStringLiteral("aus Protokolldatei übernommen")) + 16);

    Coefficients = new QTableWidget(0, CCount);
    Coefficients->setObjectName(QStringLiteral("Coefficients"));
    Coefficients->setHorizontalHeaderLabels(
        {QStringLiteral("MS"), QStringLiteral("Messstelle"), QStringLiteral("Einheit"),
         QStringLiteral("a (Übertragung)"), QStringLiteral("b (Übertragung)"),
         QStringLiteral("a (SPS)"), QStringLiteral("b (SPS)")});
    Coefficients->setSelectionBehavior(QAbstractItemView::SelectRows);
    Coefficients->setSelectionMode(QAbstractItemView::SingleSelection);
    Coefficients->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Coefficients->verticalHeader()->hide();
    Coefficients->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    Coefficients->horizontalHeader()->setSectionResizeMode(CName, QHeaderView::Stretch);
    // At least as wide as their captions: "a (Übertragung)" must not read "a (Übertrag…".
    const int widths[CCount] = {36, 0, 56, 104, 104, 72, 72};
    for (int c = 0; c < CCount; ++c)
        if (widths[c] > 0)
            Coefficients->setColumnWidth(
                c, std::max(widths[c], Coefficients->horizontalHeader()->sectionSizeHint(c)));
    auto* coefficientsCaption = new QLabel(QStringLiteral(
        "Koeffizienten der gewählten Übertragung und der SPS jetzt "
        "(wie zuletzt gelesen, übertragen oder importiert); Unterschiede sind markiert."));
    coefficientsCaption->setWordWrap(true);

    DriftPoint = new QComboBox;
    DriftPoint->setObjectName(QStringLiteral("DriftPoint"));
    DriftPoint->addItems(history_.pointNames);
    DriftPoint->setMaxVisibleItems(20);

    auto* chart = new QChart;
    // Axis labels with the regional decimal separator.
    chart->setLocalizeNumbers(true);
    chart->setLocale(table_.regional().decimalSeparator == u','
                         ? QLocale(QLocale::German, QLocale::Germany)
                         : QLocale::c());
    chart->legend()->setAlignment(Qt::AlignBottom);
    driftA_ = new QLineSeries(chart);
    driftA_->setName(QStringLiteral("a"));
    driftA_->setPen(QPen(kColourA, 2));
    driftB_ = new QLineSeries(chart);
    driftB_->setName(QStringLiteral("b"));
    driftB_->setPen(QPen(kColourB, 2));
    chosenA_ = new QScatterSeries(chart);
    chosenB_ = new QScatterSeries(chart);
    for (QScatterSeries* s : {chosenA_, chosenB_}) {
        s->setMarkerSize(11);
        s->setBorderColor(Qt::black);
    }
    chosenA_->setColor(kColourA);
    chosenB_->setColor(kColourB);
    time_ = new QDateTimeAxis(chart);
    time_->setFormat(table_.regional().shortDateFormat);
    time_->setTickCount(5);
    time_->setTitleText(QStringLiteral("Übertragung"));
    axisA_ = new QValueAxis(chart);
    axisA_->setLabelFormat(QStringLiteral("%.3f"));
    axisA_->setTitleText(QStringLiteral("a"));
    axisA_->setLabelsColor(kColourA);
    axisB_ = new QValueAxis(chart);
    axisB_->setLabelFormat(QStringLiteral("%.3f"));
    axisB_->setTitleText(QStringLiteral("b"));
    axisB_->setLabelsColor(kColourB);
    chart->addAxis(time_, Qt::AlignBottom);
    chart->addAxis(axisA_, Qt::AlignLeft);
    chart->addAxis(axisB_, Qt::AlignRight);
    for (QXYSeries* s : std::initializer_list<QXYSeries*>{driftA_, chosenA_, driftB_, chosenB_}) {
        chart->addSeries(s);
        s->attachAxis(time_);
        s->attachAxis(s == driftA_ || s == chosenA_ ? axisA_ : axisB_);
    }
    chosenA_->setName(QStringLiteral("gewählte Übertragung"));
    chart->legend()->markers(chosenB_).value(0)->setVisible(false);
    DriftChart = new QChartView(chart);
    DriftChart->setObjectName(QStringLiteral("DriftChart"));
    DriftChart->setRenderHint(QPainter::Antialiasing);
    DriftChart->setMinimumWidth(420);

    Btn_Pruefen = new QPushButton(QStringLiteral("Verlauf prüfen"));
    Btn_Pruefen->setObjectName(QStringLiteral("Btn_Pruefen"));
    Btn_Pruefen->setAutoDefault(false);
    Btn_Pruefen->setToolTip(QStringLiteral(
        "Prüft die Einträge gegen ihre Hashes und ihre Verkettung, die Abgleichprotokolle gegen "
        "ihren SHA-256 und, wenn eingerichtet, gegen die zentrale Datenbank."));
    CheckResult = new QLabel;
    CheckResult->setObjectName(QStringLiteral("CheckResult"));
    CheckResult->setWordWrap(true);
    CheckResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    CheckResult->setVisible(false);
    Btn_Uebernehmen = new QPushButton(QStringLiteral("Übernehmen"));
    Btn_Uebernehmen->setObjectName(QStringLiteral("Btn_Uebernehmen"));
    Btn_Uebernehmen->setAutoDefault(false);
    Btn_Schliessen = new QPushButton(QStringLiteral("Schließen"));
    Btn_Schliessen->setObjectName(QStringLiteral("Btn_Schliessen"));
    auto* hint = new QLabel(QStringLiteral(
        "Übernehmen schreibt a und b der gewählten Übertragung in die Spalten a (NEU) und b (NEU) "
        "der gleichnamigen Messstellen. An die SPS gesendet wird erst mit F2."));
    hint->setWordWrap(true);

    // Layout: the uploads on top; below them the comparison beside the drift chart.
    auto* lower = new QSplitter(Qt::Horizontal);
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(coefficientsCaption);
    leftLayout->addWidget(Coefficients, 1);
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* pointRow = new QHBoxLayout;
    pointRow->addWidget(new QLabel(QStringLiteral("Verlauf der Messstelle")));
    pointRow->addWidget(DriftPoint, 1);
    rightLayout->addLayout(pointRow);
    rightLayout->addWidget(DriftChart, 1);
    lower->addWidget(left);
    lower->addWidget(right);
    lower->setStretchFactor(0, 1);
    lower->setStretchFactor(1, 1);
    lower->setSizes({700, 540});
    auto* upper = new QSplitter(Qt::Vertical);
    upper->addWidget(Uploads);
    upper->addWidget(lower);
    upper->setStretchFactor(0, 2);
    upper->setStretchFactor(1, 5);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Btn_Pruefen);
    buttons->addWidget(hint, 1);
    buttons->addWidget(Btn_Uebernehmen);
    buttons->addWidget(Btn_Schliessen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Notice);
    layout->addWidget(upper, 1);
    layout->addWidget(CheckResult);
    layout->addLayout(buttons);

    connect(Uploads->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    chooseUpload(model_->uploadAt(current.row()));
            });
    connect(Coefficients, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (const QTableWidgetItem* name = Coefficients->item(row, CName))
            chooseDriftPoint(name->text());
    });
    connect(DriftPoint, &QComboBox::currentIndexChanged, this, [this] { showDrift(); });
    connect(Btn_Uebernehmen, &QPushButton::clicked, this, &QDialog::accept);
    connect(Btn_Pruefen, &QPushButton::clicked, this, &THistoryDialog::check);
    connect(&checking_, &QFutureWatcher<QString>::finished, this, [this] {
        CheckResult->setText(checking_.result());
        Btn_Pruefen->setEnabled(true);
    });
    connect(Btn_Schliessen, &QPushButton::clicked, this, &QDialog::reject);

    Btn_Uebernehmen->setEnabled(false);
    if (!history_.uploads.empty())
        chooseUpload(history_.uploads.size() - 1);
    else
        showDrift();
}

THistoryDialog::~THistoryDialog() {
    // A check still running reads files and databases of its own; it is waited for.
    checking_.waitForFinished();
}

void THistoryDialog::check() {
    if (checking_.isRunning() || !check_)
        return;
    Btn_Pruefen->setEnabled(false);
    CheckResult->setText(QStringLiteral("Der Verlauf wird geprüft …"));
    CheckResult->setVisible(true);
    checking_.setFuture(QtConcurrent::run(check_));
}

const UploadSummary* THistoryDialog::chosenUpload() const {
    return chosen_ ? &history_.uploads[*chosen_] : nullptr;
}

QString THistoryDialog::driftPoint() const {
    return DriftPoint->currentText();
}

void THistoryDialog::chooseUpload(std::size_t index) {
    if (index >= history_.uploads.size() || chosen_ == index)
        return;
    chosen_ = index;
    const QModelIndex row = model_->index(model_->rowOf(index), 0);
    if (Uploads->currentIndex().row() != row.row())
        Uploads->setCurrentIndex(row);
    Btn_Uebernehmen->setEnabled(true);
    chosenRecord_ = reader_.record(history_.uploads[index].id);
    showCoefficients();
    // The drift follows the chosen upload when the point shown is not in it.
    bool inUpload = false;
    for (const LoggedPoint& point : chosenRecord_.points)
        inUpload = inUpload || point.name == driftPoint();
    if (!inUpload && !chosenRecord_.points.empty())
        chooseDriftPoint(chosenRecord_.points.front().name);
    else
        showDrift();
}

void THistoryDialog::chooseDriftPoint(const QString& name) {
    const int at = DriftPoint->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0)
        return;
    if (at == DriftPoint->currentIndex())
        showDrift();
    else
        DriftPoint->setCurrentIndex(at); // shows the drift
}

void THistoryDialog::showCoefficients() {
    Coefficients->setRowCount(0);
    if (!chosen_)
        return;
    const RegionalSettings& rs = table_.regional();
    const std::vector<int> rows = matchingRows(table_, chosenRecord_);
    Coefficients->setRowCount(int(chosenRecord_.points.size()));
    for (std::size_t k = 0; k < chosenRecord_.points.size(); ++k) {
        const LoggedPoint& point = chosenRecord_.points[k];
        const bool offset = isOffsetPoint(point.name);
        const int row = rows[k];
        const int r = int(k);
        Coefficients->setItem(r, CMs, item(row > 0 ? QString::number(row) : kDash, true));
        Coefficients->setItem(r, CName, item(point.name, false));
        Coefficients->setItem(r, CUnit, item(point.unit, false));
        auto* aUpload = item(formatFixed3(point.a(), rs), true);
        // An offset point has no gain.
        auto* bUpload = item(offset ? kDash : formatFixed3(point.b(), rs), true);
        Coefficients->setItem(r, CAUpload, aUpload);
        Coefficients->setItem(r, CBUpload, bUpload);
        if (row == 0) {
            auto* missing = item(QStringLiteral("nicht in der Tabelle"), false);
            missing->setForeground(Qt::darkGray);
            Coefficients->setItem(r, CANow, missing);
            Coefficients->setSpan(r, CANow, 1, 2);
            continue;
        }
        const HeldCoefficients held = heldCoefficients(table_, state_.coef, row);
        const std::optional<double> aNow = held.a;
        const std::optional<double> bNow = held.b;
        auto* aCurrent = item(aNow ? formatFixed3(*aNow, rs) : kDash, true);
        auto* bCurrent = item(bNow ? formatFixed3(*bNow, rs) : kDash, true);
        Coefficients->setItem(r, CANow, aCurrent);
        Coefficients->setItem(r, CBNow, bCurrent);
        if (differs(aNow, point.a1000)) {
            mark(aUpload);
            mark(aCurrent);
        }
        if (!offset && differs(bNow, point.b1000)) {
            mark(bUpload);
            mark(bCurrent);
        }
    }
}

void THistoryDialog::showDrift() {
    const QString name = driftPoint();
    QList<QPointF> a;
    QList<QPointF> b;
    QList<QPointF> chosenA;
    QList<QPointF> chosenB;
    // Row numbers start at 1.
    const qint64 chosenId = chosen_ ? history_.uploads[*chosen_].id : 0;
    for (const DriftValue& value :
         name.isEmpty() ? std::vector<DriftValue>() : reader_.drift(name)) {
        const double x = double(value.ms);
        a.append({x, double(value.a1000) / 1000.0});
        // An offset point plots no gain.
        if (value.b1000)
            b.append({x, double(*value.b1000) / 1000.0});
        if (chosenId == value.uploadId) {
            chosenA.append(a.back());
            if (value.b1000)
                chosenB.append(b.back());
        }
    }
    QChart* chart = DriftChart->chart();
    chart->setTitle(name.isEmpty() ? QStringLiteral("Verlauf von a und b")
                                   : QStringLiteral("Verlauf von a und b: ") + name);
    for (QLineSeries* s : {driftA_, driftB_})
        s->setPointsVisible(a.size() <= kMarkedPoints);
    driftA_->replace(a);
    driftB_->replace(b);
    chosenA_->replace(chosenA);
    chosenB_->replace(chosenB);
    // No upload of the point: no axes with made-up dates.
    time_->setVisible(!a.isEmpty());
    axisA_->setVisible(!a.isEmpty());
    if (a.isEmpty()) {
        axisB_->setVisible(false);
        return;
    }
    const auto range = [](const QList<QPointF>& points, auto coordinate) {
        double low = coordinate(points.front());
        double high = low;
        for (const QPointF& p : points) {
            low = std::min(low, coordinate(p));
            high = std::max(high, coordinate(p));
        }
        return std::pair(low, high);
    };
    const auto [first, last] = range(a, [](QPointF p) { return p.x(); });
    // An hour either side when all uploads share one moment; uploads of a few days apart
    // are told apart by their time.
    const double hour = 3600.0 * 1000;
    const double pad = last - first < 1 ? hour : (last - first) * 0.03;
    time_->setFormat(last - first < 4 * 24 * hour ? QStringLiteral("dd.MM. HH:mm")
                                                  : table_.regional().shortDateFormat);
    time_->setRange(QDateTime::fromMSecsSinceEpoch(qint64(first - pad)),
                    QDateTime::fromMSecsSinceEpoch(qint64(last + pad)));
    const auto [aLow, aHigh] = range(a, [](QPointF p) { return p.y(); });
    fitRange(axisA_, aLow, aHigh);
    // An offset point has no gain: no b axis, no b in the legend.
    axisB_->setVisible(!b.isEmpty());
    chart->legend()->markers(driftB_).value(0)->setVisible(!b.isEmpty());
    if (!b.isEmpty()) {
        const auto [bLow, bHigh] = range(b, [](QPointF p) { return p.y(); });
        fitRange(axisB_, bLow, bHigh);
    }
}

} // namespace abgleich
