// SPDX-License-Identifier: MIT
// The seam between the C entry points and the ways of reaching a reader (simulated, PC/SC, ...).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cardhost {

using Status = std::int32_t;

// A failure below a backend that ends the call with this status. Backends throw it instead of
// their own error types, so that the shared layer knows none of them.
class BackendError : public std::runtime_error {
  public:
    BackendError(Status status, const std::string& what)
        : std::runtime_error(what), status_(status) {}
    Status status() const { return status_; }

  private:
    Status status_;
};

// The tag commands a backend is asked to send. A PC/SC reader sends READ and WRITE as
// storage-card commands and only the others through its pass-through, so it must know which
// command a frame is, not only its bytes.
enum class TagCommand {
    Raw,  // Sys_Transceive: any frame the caller built
    Halt,
    GetVersion,
    Read,
    FastRead,
    Write,
    CompWrite,
    ReadCnt,
    PwdAuth,
    ReadSig,
};

enum class ClassicCommand { Authentication, Read, Write };

// The entry point that serves a command: what the simulator counts and fault-injects by.
std::string_view EntryPointOf(TagCommand command);
std::string_view EntryPointOf(ClassicCommand command);

// One opened reader.
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
    virtual Status Exchange(TagCommand command, std::span<const std::uint8_t> frame,
                            std::vector<std::uint8_t>& answer) = 0;
    // A command for classic cards (TyA_CS_...), which no NTAG understands.
    virtual Status Classic(ClassicCommand command) = 0;
};

// What `tagwright-cli readers --verbose` shows of one reader.
struct ReaderDescription {
    std::string serial;
    std::string backend;
    std::vector<std::uint8_t> atr;  // empty: no card present, or the backend has none
    std::string personality;        // how tag commands reach the tag; empty when unknown
    Status status = 0;              // why the rest could not be found out (0: it could)
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Serial texts of the attached readers with these USB ids, in enumeration order. A status
    // other than CARDHOST_OK tells why none can be listed (no service, for instance).
    virtual Status ListReaders(std::uint16_t vendorId, std::uint16_t productId,
                               std::vector<std::string>& serials) = 0;
    // Opens the reader for this caller alone. CARDHOST_NO_DEVICE when it is no longer there,
    // CARDHOST_BUSY while it is open elsewhere; the hold ends with the session or its process.
    virtual Status Open(const std::string& serial, std::unique_ptr<ReaderSession>& session) = 0;
    // A failure injected into a call that no open reader serves: Sys_GetDeviceNum (`serial`
    // empty: it concerns every reader) or Sys_GetHidSerialNumberStr (the reader at the position
    // asked for). CARDHOST_OK lets the call run.
    virtual Status InjectedFailure(std::string_view entryPoint, const std::string& serial) = 0;
    // Looks at a listed reader without keeping it; does not count as a call of the reader.
    virtual ReaderDescription Describe(const std::string& serial) = 0;
};

// One kind of backend as CARDHOST_BACKENDS names it. `probe` tells whether it can offer readers
// on this machine now (the default list holds only those that can); `make` builds it, or gives
// nothing where it was not compiled in; `problem` says why it offers no readers when it is
// chosen and cannot, in words for the user.
struct BackendKind {
    std::string_view name;
    bool (*probe)();
    std::unique_ptr<Backend> (*make)();
    std::optional<std::string> (*problem)();
};

// Every kind this build knows, in the default enumeration order.
std::span<const BackendKind> BackendKinds();

// The backends chosen by CARDHOST_BACKENDS (comma-separated), in that order; without it, every
// kind whose probe answers, in the order of BackendKinds().
std::vector<Backend*> ActiveBackends();

std::unique_ptr<Backend> MakeSimulatorBackend();
// Why the simulator's state directory cannot be used, naming the damaged file.
std::optional<std::string> SimulatorProblem();
// Nothing where pcsc-lite was not there to build against.
std::unique_ptr<Backend> MakePcscBackend();
// Whether the PC/SC service answers now.
bool PcscServiceAnswers();
// No PC/SC support in this build, or no service.
std::optional<std::string> PcscProblem();

// The readers of every active backend, each with the backend it belongs to.
std::vector<ReaderDescription> DescribeReaders();

struct BackendProblem {
    std::string backend;
    std::string text;
};
// Why chosen backends offer no readers, in the order CARDHOST_BACKENDS names them.
std::vector<BackendProblem> DescribeProblems();

}  // namespace cardhost
