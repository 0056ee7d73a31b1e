// SPDX-License-Identifier: MIT
// The card's side of the vpcd wire: a TCP client on loopback; every message is a 2-byte
// big-endian length, then the payload.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace tagwright::pcsc_testing {

class VpcdLink {
  public:
    VpcdLink() = default;
    VpcdLink(const VpcdLink&) = delete;
    VpcdLink& operator=(const VpcdLink&) = delete;
    ~VpcdLink() { Close(); }

    // One connection attempt to vpcd's port on 127.0.0.1; false while nobody listens.
    bool Connect(std::uint16_t port);
    bool connected() const { return fd_ >= 0; }
    // The socket closes: for vpcd the card has left the reader.
    void Close();
    // The same in the middle of a command: the connection is reset, so that vpcd reports the
    // command as failed (after an orderly close it would pass on an empty answer as success).
    void Abort();

    enum class Result : std::uint8_t { Message, Idle, Closed };
    // Waits up to `wait` for the next message; Idle when none came, Closed when vpcd went away
    // (the link is closed then).
    Result Receive(std::chrono::milliseconds wait, std::vector<std::uint8_t>& message);
    bool Send(const std::vector<std::uint8_t>& message);

  private:
    bool ReadExactly(std::uint8_t* to, std::size_t count);

    int fd_ = -1;
};

}  // namespace tagwright::pcsc_testing
