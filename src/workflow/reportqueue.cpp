// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "workflow/reportqueue.h"

#include "core/errors.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <exception>

namespace abgleich {

struct ReportQueue::Pending {
    QFuture<ReportOutcome> future;
    QFutureWatcher<ReportOutcome>* watcher; // the queue's child
    Done done;
};

ReportQueue::ReportQueue(ReportWriter* writer, QObject* parent)
    : QObject(parent), writer_(writer) {}

ReportQueue::~ReportQueue() {
    for (const auto& pending : pending_) {
        pending->watcher->disconnect();
        pending->future.waitForFinished();
    }
}

void ReportQueue::start(AdjustmentReport report, const QString& configdir, Done done) {
    if (!writer_)
        return;
    auto pending = std::make_unique<Pending>();
    pending->done = std::move(done);
    // The worker has its own copy of the report; the writer keeps no state between reports.
    pending->future = QtConcurrent::run(
        [writer = writer_, report = std::move(report), configdir]() -> ReportOutcome {
            try {
                return {writer->write(report, configdir), {}};
            } catch (const AppError& e) {
                return {{}, e.message()};
            } catch (const std::exception& e) {
                return {{}, QString::fromUtf8(e.what())};
            }
        });
    Pending* raw = pending.get();
    raw->watcher = new QFutureWatcher<ReportOutcome>(this);
    connect(raw->watcher, &QFutureWatcherBase::finished, this, [this, raw] { deliver(raw); });
    raw->watcher->setFuture(raw->future);
    pending_.push_back(std::move(pending));
}

void ReportQueue::finishAll() {
    while (!pending_.empty()) {
        pending_.front()->future.waitForFinished();
        deliver(pending_.front().get());
    }
}

void ReportQueue::deliver(Pending* pending) {
    const auto at = std::find_if(pending_.begin(), pending_.end(),
                                 [pending](const auto& p) { return p.get() == pending; });
    if (at == pending_.end())
        return; // told already, by finishAll
    std::unique_ptr<Pending> taken = std::move(*at);
    pending_.erase(at);
    taken->watcher->disconnect();
    // Deleted later: this may run inside the watcher's own signal.
    taken->watcher->deleteLater();
    const ReportOutcome outcome = taken->future.result();
    const Done done = std::move(taken->done);
    taken.reset();
    if (done)
        done(outcome);
}

} // namespace abgleich
