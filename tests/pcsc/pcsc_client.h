// SPDX-License-Identifier: MIT
// A plain PC/SC client for the tests: what any application would send through pcsc-lite.
#pragma once

#include <winscard.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tagwright::pcsc_testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr const char* kFirstReader = "Virtual PCD 00 00";
inline constexpr const char* kSecondReader = "Virtual PCD 00 01";

class PcscClient {
  public:
    PcscClient();
    ~PcscClient();
    PcscClient(const PcscClient&) = delete;
    PcscClient& operator=(const PcscClient&) = delete;

    // A context with the daemon; a failure is kept in lastError().
    bool Establish();
    std::vector<std::string> Readers();
    // Waits until the reader shows a card (or none, with `present` false), at most `limit`.
    bool WaitForCard(const std::string& reader, bool present, std::chrono::milliseconds limit);
    bool Connect(const std::string& reader);
    bool Reconnect(DWORD initialization);  // SCARD_RESET_CARD plays a wake-up
    void Disconnect();
    // The R-APDU, or nothing with the failure in lastError().
    std::optional<Bytes> Transmit(const Bytes& apdu);
    Bytes Atr();

    LONG lastError() const { return lastError_; }

  private:
    SCARDCONTEXT context_ = 0;
    SCARDHANDLE card_ = 0;
    DWORD protocol_ = 0;
    LONG lastError_ = SCARD_S_SUCCESS;
};

std::string ErrorText(LONG code);

}  // namespace tagwright::pcsc_testing
