// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#include "ui/busyindicator.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace abgleich {

namespace {
constexpr int kDots = 12;
constexpr int kStepMs = 80;
} // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ActivityIndicator"));
    setFixedSize(kLargeSize, kLargeSize);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_.setInterval(kStepMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % kDots;
        update();
    });
    hide();
}

void BusyIndicator::start() {
    timer_.start();
    show();
    raise();
}

void BusyIndicator::stop() {
    timer_.stop();
    hide();
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = width() / 2.0 - 5;
    for (int i = 0; i < kDots; ++i) {
        const double angle = 2 * std::numbers::pi * i / kDots;
        const int age = (step_ - i + kDots) % kDots;
        QColor colour(40, 80, 160);
        colour.setAlphaF(1.0 - age / double(kDots));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(centre + QPointF(radius * std::sin(angle), -radius * std::cos(angle)), 3.5,
                      3.5);
    }
}

} // namespace abgleich
