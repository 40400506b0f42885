// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "records/adjustmentreport.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace abgleich {

// How writing a report ended: its path, or why it could not be written.
struct ReportOutcome {
    QString path;
    QString error; // empty: written
};

// Writes adjustment reports off the window's thread, so that the window stays live while a
// long report is laid out, drawn and compressed. Each report's end is told on the thread
// that started it, through the event loop or when the queue is finished.
class ReportQueue : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const ReportOutcome&)>;

    explicit ReportQueue(ReportWriter* writer, QObject* parent = nullptr);
    // Waits for the reports still being written; their ends are no longer told.
    ~ReportQueue() override;

    bool enabled() const { return writer_ != nullptr; }
    // Starts writing a report into the directory; `done` is called with how it ended.
    void start(AdjustmentReport report, const QString& configdir, Done done);
    // Waits for every report still being written and tells each end, in the order they
    // were started.
    void finishAll();
    bool busy() const { return !pending_.empty(); }

private:
    struct Pending;
    void deliver(Pending* pending);

    ReportWriter* writer_;
    std::vector<std::unique_ptr<Pending>> pending_;
};

} // namespace abgleich
