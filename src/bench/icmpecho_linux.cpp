// SPDX-FileCopyrightText: The Abgleich authors
// SPDX-License-Identifier: Apache-2.0
// ICMP echo on Linux. Windows would sit beside this with IcmpSendEcho.
#include "bench/hosttext.h"
#include "bench/icmpecho.h"
#include "bench/systemtext.h"
#include "core/errors.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>

namespace abgleich {

namespace {

constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kEchoReply = 0;

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::uint16_t checksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += std::uint32_t(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += std::uint32_t(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return htons(std::uint16_t(~sum));
}

in_addr resolve(const QString& hostText) {
    const QByteArray host = hostForSystem(hostText).toLocal8Bit();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_RAW;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.constData(), nullptr, &hints, &found);
    if (rc != 0 || !found)
        throw AppError(
            QStringLiteral("Host '%1' nicht auflösbar: %2").arg(hostText, resolverErrorText(rc)));
    const in_addr address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return address;
}

} // namespace

void IcmpEcho::echo(const QString& hostText) {
    const in_addr address = resolve(hostText);

    Fd sock;
    bool raw = false;
    sock.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (sock.fd < 0) {
        const int datagramError = errno;
        sock.fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (sock.fd < 0)
            throw AppError(QStringLiteral("ICMP-Echo nicht erlaubt: %1 / %2")
                               .arg(systemErrorText(datagramError), systemErrorText(errno)));
        raw = true;
    }

    static std::atomic<std::uint16_t> sequence{0};
    const std::uint16_t seq = ++sequence;
    const std::uint16_t id = std::uint16_t(::getpid());
    std::array<std::uint8_t, sizeof(icmphdr) + kPayloadSize> packet{};
    auto* header = reinterpret_cast<icmphdr*>(packet.data());
    header->type = kEchoRequest;
    header->un.echo.id = htons(id);
    header->un.echo.sequence = htons(seq);
    for (int i = 0; i < kPayloadSize; ++i)
        packet[sizeof(icmphdr) + std::size_t(i)] = std::uint8_t('a' + i % 23);
    header->checksum = checksum(packet.data(), packet.size());

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr = address;
    if (::sendto(sock.fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to) < 0)
        throw AppError(systemErrorText(errno));

    QElapsedTimer waited;
    waited.start();
    std::array<std::uint8_t, 1500> reply{};
    while (waited.elapsed() < kTimeoutMs) {
        pollfd p{sock.fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(kTimeoutMs - waited.elapsed()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(sock.fd, reply.data(), reply.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (n <= 0 || from.sin_addr.s_addr != address.s_addr)
            continue;
        std::size_t offset = 0;
        if (raw) // a raw socket hands over the IP header too
            offset = std::size_t(reinterpret_cast<iphdr*>(reply.data())->ihl) * 4;
        if (std::size_t(n) < offset + sizeof(icmphdr))
            continue;
        const auto* answer = reinterpret_cast<const icmphdr*>(reply.data() + offset);
        // A datagram socket's kernel sets the identifier itself and filters by it.
        if (answer->type == kEchoReply && ntohs(answer->un.echo.sequence) == seq &&
            (!raw || ntohs(answer->un.echo.id) == id))
            return;
    }
    throw AppError(QStringLiteral("Keine Antwort von '%1' innerhalb von %2 s")
                       .arg(hostText)
                       .arg(kTimeoutMs / 1000));
}

} // namespace abgleich
