// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QEventLoop>
#include <QMetaObject>

#include <exception>
#include <thread>
#include <utility>

namespace abgleich {

// Runs a blocking piece of work on a worker thread while the calling (user-interface)
// thread keeps repainting and running timers, but takes no operator input. Returns when the
// work has ended; an error it raised is raised here.
template <typename Work> void runWithoutInput(Work&& work) {
    std::exception_ptr error;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            std::forward<Work>(work)();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (error)
        std::rethrow_exception(error);
}

} // namespace abgleich
