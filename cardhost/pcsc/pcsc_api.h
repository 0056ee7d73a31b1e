// SPDX-License-Identifier: MIT
// Every PC/SC call the backend makes goes through this interface, so that its tests can play a
// reader (personalities, refusals, a stopped service) without a daemon.
#pragma once

#include <winscard.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace cardhost::pcsc {

// The escape control code: SCARD_CTL_CODE(1) = 0x42000001 for the Linux CCID driver,
// SCARD_CTL_CODE(3500) on Windows and macOS.
#if defined(_WIN32) || defined(__APPLE__)
inline constexpr DWORD kEscapeControlCode = SCARD_CTL_CODE(3500);
#else
inline constexpr DWORD kEscapeControlCode = 0x42000001;
#endif

class PcscApi {
  public:
    virtual ~PcscApi() = default;
    virtual LONG EstablishContext(SCARDCONTEXT& context) = 0;
    virtual LONG ReleaseContext(SCARDCONTEXT context) = 0;
    // The reader names, each one whole (the multi-string taken apart).
    virtual LONG ListReaders(SCARDCONTEXT context, std::vector<std::string>& readers) = 0;
    // The reader's state now (never waits): SCARD_STATE_* bits in `state`.
    virtual LONG ReaderState(SCARDCONTEXT context, const std::string& reader, DWORD& state) = 0;
    virtual LONG Connect(SCARDCONTEXT context, const std::string& reader, DWORD shareMode,
                         DWORD protocols, SCARDHANDLE& card, DWORD& activeProtocol) = 0;
    virtual LONG Reconnect(SCARDHANDLE card, DWORD shareMode, DWORD protocols, DWORD initialization,
                           DWORD& activeProtocol) = 0;
    virtual LONG Disconnect(SCARDHANDLE card, DWORD disposition) = 0;
    // The card's ATR (SCardGetAttrib cannot be relied on: vpcd refuses it).
    virtual LONG Status(SCARDHANDLE card, std::vector<std::uint8_t>& atr) = 0;
    virtual LONG Transmit(SCARDHANDLE card, DWORD protocol, std::span<const std::uint8_t> command,
                          std::vector<std::uint8_t>& response) = 0;
    virtual LONG Control(SCARDHANDLE card, DWORD code, std::span<const std::uint8_t> command,
                         std::vector<std::uint8_t>& response) = 0;
};

// pcsc-lite itself.
std::shared_ptr<PcscApi> SystemPcscApi();

}  // namespace cardhost::pcsc
