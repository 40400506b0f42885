// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QTimer>
#include <QWidget>

namespace abgleich {

// The busy indicator `ActivityIndicator`: a ring of dots that turns while the tool waits for the
// bench. It is visible only while it turns.
class BusyIndicator : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLargeSize = 48;

    explicit BusyIndicator(QWidget* parent = nullptr);

    void start();
    void stop();
    bool isAnimating() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    int step_ = 0;
};

} // namespace abgleich
