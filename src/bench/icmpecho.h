// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

namespace abgleich {

// Checks that a host answers at all: one ICMP echo request, its reply awaited.
class EchoProbe {
public:
    static constexpr int kPayloadSize = 32;
    static constexpr int kTimeoutMs = 5000;

    virtual ~EchoProbe() = default;
    // Returns when the reply came in time; raises an error otherwise (no reply, a host that
    // cannot be resolved, no permission to send an echo). Blocks the calling thread.
    virtual void echo(const QString& hostText) = 0;
};

// The platform's ICMP echo (Linux: an unprivileged ICMP datagram socket where the system
// allows it, a raw socket otherwise).
class IcmpEcho : public EchoProbe {
public:
    void echo(const QString& hostText) override;
};

} // namespace abgleich
