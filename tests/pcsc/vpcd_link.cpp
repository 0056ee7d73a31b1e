// SPDX-License-Identifier: MIT
#include "vpcd_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace tagwright::pcsc_testing {
namespace {

// A message that vpcd has begun must arrive whole soon after; this bounds a stuck peer.
constexpr int kRestOfMessageMillis = 2000;

}  // namespace

bool VpcdLink::Connect(std::uint16_t port) {
    Close();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    fd_ = fd;
    return true;
}

void VpcdLink::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void VpcdLink::Abort() {
    if (fd_ < 0) return;
    const linger reset{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    Close();
}

bool VpcdLink::ReadExactly(std::uint8_t* to, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, kRestOfMessageMillis);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::read(fd_, to + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

VpcdLink::Result VpcdLink::Receive(std::chrono::milliseconds wait,
                                   std::vector<std::uint8_t>& message) {
    if (fd_ < 0) return Result::Closed;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(wait.count()));
    if (ready == 0 || (ready < 0 && errno == EINTR)) return Result::Idle;
    std::uint8_t header[2];
    if (ready < 0 || !ReadExactly(header, 2)) {
        Close();
        return Result::Closed;
    }
    message.assign(static_cast<std::size_t>(header[0] << 8 | header[1]), 0);
    if (!message.empty() && !ReadExactly(message.data(), message.size())) {
        Close();
        return Result::Closed;
    }
    return Result::Message;
}

bool VpcdLink::Send(const std::vector<std::uint8_t>& message) {
    if (fd_ < 0 || message.size() > 0xFFFF) return false;
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(message.size() >> 8),
                                    static_cast<std::uint8_t>(message.size() & 0xFF)};
    frame.insert(frame.end(), message.begin(), message.end());
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::send(fd_, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Close();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace tagwright::pcsc_testing
