// The seam between the C entry points and the ways of reaching a reader (simulated, PC/SC, ...).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cardhost {

using Status = std::int32_t;

// One opened reader. Every call names the entry point it serves (`kind`), so that a backend can
// count and fault-inject per entry point.
class ReaderSession {
  public:
    virtual ~ReaderSession() = default;

    // Sys_IsOpen: whether the reader is still plugged in (no, when a failure is injected).
    virtual bool IsOpen() = 0;
    // Sys_Close: CARDHOST_OK ends the session; any other status leaves it open.
    virtual Status Close() = 0;
    virtual Status SetLight(std::uint8_t state) = 0;
    virtual Status SetBuzzer(std::uint8_t length) = 0;
    virtual Status SetAntenna(std::uint8_t state) = 0;
    virtual Status InitType(std::uint8_t cardType) = 0;

    virtual Status Request(std::uint8_t requestCode, std::array<std::uint8_t, 2>& atqa) = 0;
    virtual Status AnticollSelect(std::array<std::uint8_t, 7>& uid) = 0;
    virtual Status Anticollision(std::array<std::uint8_t, 4>& uid4) = 0;
    virtual Status Select(const std::array<std::uint8_t, 4>& uid4, std::uint8_t& sak) = 0;

    // A tag command frame without CRC. On success `answer` holds the data bytes (empty for ACK).
    // A NAK n comes back as CARDHOST_NAK_BASE | n, silence as CARDHOST_NO_ANSWER.
    virtual Status Exchange(std::string_view kind, std::span<const std::uint8_t> frame,
                            std::vector<std::uint8_t>& answer) = 0;
    // A command for classic cards (TyA_CS_...), which no NTAG understands.
    virtual Status ClassicCommand(std::string_view kind) = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Serial texts of the attached readers with these USB ids, in enumeration order.
    virtual std::vector<std::string> ListReaders(std::uint16_t vendorId,
                                                 std::uint16_t productId) = 0;
    // Opens the reader for this caller alone. CARDHOST_NO_DEVICE when it is no longer there,
    // CARDHOST_BUSY while it is open elsewhere; the hold ends with the session or its process.
    virtual Status Open(const std::string& serial, std::unique_ptr<ReaderSession>& session) = 0;
    // A failure injected into a call that no open reader serves: Sys_GetDeviceNum (`serial`
    // empty: it concerns every reader) or Sys_GetHidSerialNumberStr (the reader at the position
    // asked for). CARDHOST_OK lets the call run.
    virtual Status InjectedFailure(std::string_view kind, const std::string& serial) = 0;
};

// The backends chosen by CARDHOST_BACKENDS (comma-separated; default "sim"), in that order.
std::vector<Backend*> ActiveBackends();

std::unique_ptr<Backend> MakeSimulatorBackend();

}  // namespace cardhost
