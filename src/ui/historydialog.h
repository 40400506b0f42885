// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "workflow/operatordialogs.h"

#include <QDialog>
#include <QFutureWatcher>

#include <optional>

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QTableView;
class QTableWidget;
class QValueAxis;

namespace abgleich {

class UploadListModel;

// The history of a device from the records: the uploads (date, comment, number of points,
// where the entry came from; newest first), the chosen upload's coefficients beside those
// the controller holds now with the differences marked, and a chosen point's a and b over
// all uploads in time order. "Verlauf prüfen" checks the records' chain; "Übernehmen"
// closes it with the chosen upload accepted, which the caller takes over.
class THistoryDialog : public QDialog {
    Q_OBJECT

public:
    // state: the point table and what the controller holds now, which the chosen upload is
    // compared with.
    THistoryDialog(DeviceHistory history, HistoryReader& reader, HistoryCheck check,
                   WorkingState& state, QWidget* parent = nullptr);
    ~THistoryDialog() override;

    const DeviceHistory& history() const { return history_; }
    // The upload chosen in the list (index into history().uploads); nothing when none is.
    std::optional<std::size_t> chosen() const { return chosen_; }
    const UploadSummary* chosenUpload() const;
    // The chosen upload's coefficients.
    const LoggedRecord& chosenRecord() const { return chosenRecord_; }
    // The point whose a and b the drift chart shows.
    QString driftPoint() const;

    void chooseUpload(std::size_t index);
    void chooseDriftPoint(const QString& name);

    QLabel* Notice;
    QTableView* Uploads;
    QTableWidget* Coefficients;
    QComboBox* DriftPoint;
    QChartView* DriftChart;
    QPushButton* Btn_Pruefen;
    QLabel* CheckResult;
    QPushButton* Btn_Uebernehmen;
    QPushButton* Btn_Schliessen;

    // The series of the drift chart: a and b over the uploads, and the chosen upload's values.
    QLineSeries* driftA() const { return driftA_; }
    QLineSeries* driftB() const { return driftB_; }
    QScatterSeries* chosenA() const { return chosenA_; }
    QDateTimeAxis* timeAxis() const { return time_; }

private:
    void showCoefficients();
    void showDrift();
    void check();

    DeviceHistory history_;
    HistoryReader& reader_;
    HistoryCheck check_;
    QFutureWatcher<QString> checking_;
    LoggedRecord chosenRecord_;
    WorkingState& state_;
    PointTable& table_;
    UploadListModel* model_;
    std::optional<std::size_t> chosen_;
    QLineSeries* driftA_;
    QLineSeries* driftB_;
    QScatterSeries* chosenA_;
    QScatterSeries* chosenB_;
    QDateTimeAxis* time_;
    QValueAxis* axisA_;
    QValueAxis* axisB_;
};

} // namespace abgleich
