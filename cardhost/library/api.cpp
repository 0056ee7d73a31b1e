// SPDX-License-Identifier: MIT
// The 26 C entry points: handle bookkeeping and argument checks in front of the backends.
#include <cardhost/cardhost.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "backend.h"

namespace cardhost {
namespace {

struct Listed {
    Backend* backend;
    std::string serial;
};

// The readers of every active backend, one backend after another. A backend that cannot list
// (the PC/SC service is not running) makes the listing fail only when no other backend offered
// a reader: a stopped service must not hide the simulator's readers, nor look like "no readers".
Status ListAll(std::uint16_t vendorId, std::uint16_t productId, std::vector<Listed>& all) {
    Status failure = CARDHOST_OK;
    for (Backend* backend : ActiveBackends()) {
        std::vector<std::string> serials;
        const Status status = backend->ListReaders(vendorId, productId, serials);
        if (status != CARDHOST_OK) {
            if (failure == CARDHOST_OK) failure = status;
            continue;
        }
        for (std::string& serial : serials)
            all.push_back({backend, std::move(serial)});
    }
    return all.empty() ? failure : Status{CARDHOST_OK};
}

class Handles {
  public:
    std::int32_t Add(std::unique_ptr<ReaderSession> session) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::int32_t handle = next_++;
        sessions_.emplace(handle, std::shared_ptr<ReaderSession>(std::move(session)));
        return handle;
    }
    std::shared_ptr<ReaderSession> Find(std::int32_t handle) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = sessions_.find(handle);
        return it == sessions_.end() ? nullptr : it->second;
    }
    bool Remove(std::int32_t handle) {
        const std::lock_guard<std::mutex> lock(mutex_);
        return sessions_.erase(handle) > 0;
    }

  private:
    std::mutex mutex_;
    std::int32_t next_ = 1;
    std::map<std::int32_t, std::shared_ptr<ReaderSession>> sessions_;
};

Handles& OpenReaders() {
    static Handles handles;
    return handles;
}

// Runs a call, turning any failure below into a status: nothing may cross the C boundary.
template <typename Fn>
Status Guard(Fn&& fn) {
    try {
        return fn();
    } catch (const BackendError& error) {
        return error.status();
    } catch (...) {
        return CARDHOST_READER_ERROR;
    }
}

template <typename Fn>
Status WithReader(std::int32_t handle, Fn&& fn) {
    return Guard([&]() -> Status {
        const auto session = OpenReaders().Find(handle);
        if (!session) return CARDHOST_NOT_OPEN;
        return fn(*session);
    });
}

// The fault rules keep a Sys_ call's injected status within 8 bits, so nothing turns into 0.
std::uint8_t Narrow(Status status) {
    return static_cast<std::uint8_t>(status);
}

// An injected failure of a call that no open reader serves; CARDHOST_OK when none falls due.
Status InjectedFailure(std::string_view kind, const std::string& serial) {
    for (Backend* backend : ActiveBackends()) {
        if (const Status status = backend->InjectedFailure(kind, serial); status != CARDHOST_OK) {
            return status;
        }
    }
    return CARDHOST_OK;
}

void SetLength(std::uint8_t* length, std::size_t value) {
    if (length != nullptr) *length = static_cast<std::uint8_t>(value);
}

// A tag command whose answer must be exactly `expected` bytes long (0: ACK).
Status Command(std::int32_t handle, TagCommand command, std::vector<std::uint8_t> frame,
               std::uint8_t* out, std::size_t expected, std::uint8_t* length) {
    return WithReader(handle, [&](ReaderSession& reader) -> Status {
        std::vector<std::uint8_t> answer;
        const Status status = reader.Exchange(command, frame, answer);
        if (status != CARDHOST_OK) return status;
        if (answer.size() != expected) return CARDHOST_READER_ERROR;
        if (expected > 0) std::memcpy(out, answer.data(), expected);
        SetLength(length, expected);
        return CARDHOST_OK;
    });
}

}  // namespace
}  // namespace cardhost

using namespace cardhost;

extern "C" {

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_GetDeviceNum(uint16_t vendorId, uint16_t productId,
                                                       uint32_t* count) {
    if (count == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Narrow(Guard([&]() -> Status {
        // Enumeration concerns every reader: a rule on any of them can fail it.
        if (const Status status = InjectedFailure("Sys_GetDeviceNum", {}); status != CARDHOST_OK) {
            return status;
        }
        std::vector<Listed> all;
        if (const Status status = ListAll(vendorId, productId, all); status != CARDHOST_OK) {
            return status;
        }
        *count = static_cast<uint32_t>(all.size());
        return CARDHOST_OK;
    }));
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_GetHidSerialNumberStr(uint32_t position,
                                                                uint16_t vendorId,
                                                                uint16_t productId, char* buffer,
                                                                uint32_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return CARDHOST_BAD_ARGUMENT;
    return Narrow(Guard([&]() -> Status {
        std::vector<Listed> all;
        if (const Status status = ListAll(vendorId, productId, all); status != CARDHOST_OK) {
            return status;
        }
        if (position >= all.size()) return CARDHOST_NO_DEVICE;
        const std::string& serial = all[position].serial;
        if (const Status status =
                all[position].backend->InjectedFailure("Sys_GetHidSerialNumberStr", serial);
            status != CARDHOST_OK) {
            return status;
        }
        if (serial.size() + 1 > bufferSize) return CARDHOST_BUFFER_SMALL;
        std::memcpy(buffer, serial.c_str(), serial.size() + 1);
        return CARDHOST_OK;
    }));
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_Open(int32_t* handleSlot, uint32_t position,
                                               uint16_t vendorId, uint16_t productId) {
    if (handleSlot == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Narrow(Guard([&]() -> Status {
        std::vector<Listed> all;
        if (const Status status = ListAll(vendorId, productId, all); status != CARDHOST_OK) {
            return status;
        }
        if (position >= all.size()) return CARDHOST_NO_DEVICE;
        std::unique_ptr<ReaderSession> session;
        if (const Status status = all[position].backend->Open(all[position].serial, session);
            status != CARDHOST_OK) {
            return status;
        }
        if (!session) return CARDHOST_NO_DEVICE;
        *handleSlot = OpenReaders().Add(std::move(session));
        return CARDHOST_OK;
    }));
}

CARDHOST_EXPORT int32_t CARDHOST_CALL Sys_IsOpen(int32_t handle) {
    try {
        const auto session = OpenReaders().Find(handle);
        return session && session->IsOpen() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_Close(int32_t* handleSlot) {
    if (handleSlot == nullptr) return CARDHOST_BAD_ARGUMENT;
    if (*handleSlot == -1) return CARDHOST_OK;  // never opened: nothing to do
    const auto session = OpenReaders().Find(*handleSlot);
    if (!session) return CARDHOST_NOT_OPEN;
    // Only an injected failure keeps the reader open. A state directory that cannot be used must
    // not hold it for good: the handle ends and the failure is reported.
    Status status = CARDHOST_OK;
    try {
        status = session->Close();
        if (status != CARDHOST_OK) return Narrow(status);
    } catch (const BackendError& error) {
        status = error.status();
    } catch (...) {
        status = CARDHOST_READER_ERROR;
    }
    if (!OpenReaders().Remove(*handleSlot)) return CARDHOST_NOT_OPEN;
    *handleSlot = -1;
    return Narrow(status);
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_SetLight(int32_t handle, uint8_t state) {
    return Narrow(WithReader(handle, [&](ReaderSession& r) { return r.SetLight(state); }));
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_SetBuzzer(int32_t handle, uint8_t length) {
    return Narrow(WithReader(handle, [&](ReaderSession& r) { return r.SetBuzzer(length); }));
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_SetAntenna(int32_t handle, uint8_t state) {
    return Narrow(WithReader(handle, [&](ReaderSession& r) { return r.SetAntenna(state); }));
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_InitType(int32_t handle, uint8_t cardType) {
    return Narrow(WithReader(handle, [&](ReaderSession& r) { return r.InitType(cardType); }));
}

CARDHOST_EXPORT uint8_t CARDHOST_CALL Sys_Transceive(int32_t handle, const uint8_t* command,
                                                     uint32_t commandLength, uint8_t* answer,
                                                     uint32_t* answerLength) {
    if (command == nullptr || commandLength == 0 || answer == nullptr || answerLength == nullptr) {
        return CARDHOST_BAD_ARGUMENT;
    }
    return Narrow(WithReader(handle, [&](ReaderSession& r) -> Status {
        std::vector<std::uint8_t> reply;
        const Status status =
            r.Exchange(TagCommand::Raw, {command, command + commandLength}, reply);
        if (status != CARDHOST_OK) return status;
        if (reply.size() > *answerLength) return CARDHOST_BUFFER_SMALL;
        std::copy(reply.begin(), reply.end(), answer);
        *answerLength = static_cast<uint32_t>(reply.size());
        return CARDHOST_OK;
    }));
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Request(int32_t handle, uint8_t requestCode,
                                                  uint8_t* atqa) {
    if (atqa == nullptr) return CARDHOST_BAD_ARGUMENT;
    return WithReader(handle, [&](ReaderSession& r) {
        std::array<std::uint8_t, 2> answer{};
        const Status status = r.Request(requestCode, answer);
        if (status == CARDHOST_OK) std::copy(answer.begin(), answer.end(), atqa);
        return status;
    });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Anticollision(int32_t handle, uint8_t* uid4,
                                                        uint8_t* length) {
    if (uid4 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return WithReader(handle, [&](ReaderSession& r) {
        std::array<std::uint8_t, 4> uid{};
        const Status status = r.Anticollision(uid);
        if (status == CARDHOST_OK) {
            std::copy(uid.begin(), uid.end(), uid4);
            SetLength(length, uid.size());
        }
        return status;
    });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Select(int32_t handle, const uint8_t* uid4,
                                                 uint8_t* sak) {
    if (uid4 == nullptr || sak == nullptr) return CARDHOST_BAD_ARGUMENT;
    return WithReader(handle, [&](ReaderSession& r) {
        std::array<std::uint8_t, 4> uid{};
        std::copy(uid4, uid4 + 4, uid.begin());
        return r.Select(uid, *sak);
    });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_Halt(int32_t handle) {
    return WithReader(handle, [&](ReaderSession& r) {
        std::vector<std::uint8_t> answer;
        const Status status =
            r.Exchange(TagCommand::Halt, std::vector<std::uint8_t>{0x50, 0x00}, answer);
        // HLTA is answered with silence: that is its success.
        return status == CARDHOST_NO_ANSWER ? Status{CARDHOST_OK} : status;
    });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_CS_Authentication2(int32_t handle, uint8_t, uint8_t,
                                                             const uint8_t*) {
    return WithReader(handle,
                      [](ReaderSession& r) { return r.Classic(ClassicCommand::Authentication); });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_CS_Read(int32_t handle, uint8_t, uint8_t*, uint8_t*) {
    return WithReader(handle, [](ReaderSession& r) { return r.Classic(ClassicCommand::Read); });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_CS_Write(int32_t handle, uint8_t, const uint8_t*) {
    return WithReader(handle, [](ReaderSession& r) { return r.Classic(ClassicCommand::Write); });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_AnticollSelect(int32_t handle, uint8_t* uid8,
                                                              uint8_t* uidLength) {
    if (uid8 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return WithReader(handle, [&](ReaderSession& r) {
        std::array<std::uint8_t, 7> uid{};
        const Status status = r.AnticollSelect(uid);
        if (status == CARDHOST_OK) {
            std::copy(uid.begin(), uid.end(), uid8);
            SetLength(uidLength, uid.size());
        }
        return status;
    });
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_GetVersion(int32_t handle, uint8_t* version8,
                                                          uint8_t* length) {
    if (version8 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Command(handle, TagCommand::GetVersion, {0x60}, version8, 8, length);
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_Read(int32_t handle, uint8_t page, uint8_t* data16,
                                                    uint8_t* length) {
    if (data16 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Command(handle, TagCommand::Read, {0x30, page}, data16, 16, length);
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_FastRead(int32_t handle, uint8_t startPage,
                                                        uint8_t endPage, uint8_t* data,
                                                        uint32_t* length) {
    if (data == nullptr || startPage > endPage) return CARDHOST_BAD_ARGUMENT;
    const std::size_t expected = (std::size_t{endPage} - startPage + 1) * 4;
    std::uint8_t ignored = 0;
    const Status status =
        Command(handle, TagCommand::FastRead, {0x3A, startPage, endPage}, data, expected, &ignored);
    if (status == CARDHOST_OK && length != nullptr) *length = static_cast<uint32_t>(expected);
    return status;
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_Write(int32_t handle, uint8_t page,
                                                     const uint8_t* data4) {
    if (data4 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Command(handle, TagCommand::Write, {0xA2, page, data4[0], data4[1], data4[2], data4[3]},
                   nullptr, 0, nullptr);
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_CompWrite(int32_t handle, uint8_t page,
                                                         const uint8_t* data16) {
    if (data16 == nullptr) return CARDHOST_BAD_ARGUMENT;
    std::vector<std::uint8_t> frame{0xA0, page};
    frame.insert(frame.end(), data16, data16 + 16);
    return Command(handle, TagCommand::CompWrite, std::move(frame), nullptr, 0, nullptr);
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_ReadCnt(int32_t handle, uint8_t counter,
                                                       uint8_t* value3, uint8_t* length) {
    if (value3 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Command(handle, TagCommand::ReadCnt, {0x39, counter}, value3, 3, length);
}

CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_PwdAuth(int32_t handle, const uint8_t* password4,
                                                       uint8_t* pack2, uint8_t* length) {
    if (password4 == nullptr || pack2 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Command(handle, TagCommand::PwdAuth,
                   {0x1B, password4[0], password4[1], password4[2], password4[3]}, pack2, 2,
                   length);
}

#ifndef CARDHOST_OMIT_READSIG  // a test build leaves this name out, to be refused when bound
CARDHOST_EXPORT int32_t CARDHOST_CALL TyA_NTAG_ReadSig(int32_t handle, uint8_t* signature32,
                                                       uint8_t* length) {
    if (signature32 == nullptr) return CARDHOST_BAD_ARGUMENT;
    return Command(handle, TagCommand::ReadSig, {0x3C, 0x00}, signature32, 32, length);
}
#endif

}  // extern "C"
