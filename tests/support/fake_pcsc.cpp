// SPDX-License-Identifier: MIT
#include "support/fake_pcsc.h"

#include "cardhost/sim/hex.h"

#include <cstdio>

namespace tagwright::test {
namespace {

using cardhost::sim::ChipAnswer;

void Append(std::vector<std::uint8_t>& to, std::initializer_list<std::uint8_t> bytes) {
    to.insert(to.end(), bytes);
}

// The reader selects the tag when it powers it, as a real reader's polling does.
void Activate(cardhost::sim::NtagChip& chip) {
    chip.PowerOff();
    std::array<std::uint8_t, 2> atqa{};
    cardhost::sim::Uid uid{};
    if (chip.WakeUp(0x52, atqa)) chip.AnticollisionAndSelect(uid);
}

}  // namespace

FakePcsc::FakePcsc() = default;

std::vector<std::uint8_t> FakePcsc::UltralightAtr() {
    return {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
            0x03, 0x06, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x68};
}

void FakePcsc::RestartService() {
    ++generation_;
}

void FakePcsc::GoSilent(const std::string& reader) {
    const std::lock_guard<std::mutex> lock(mutex_);
    silent_ = reader;
}

void FakePcsc::AnswerAgain() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        silent_.clear();
    }
    answering_.notify_all();
}

unsigned FakePcsc::CallsWaiting() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
}

std::size_t FakePcsc::OpenContexts() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return contexts_.size();
}

std::size_t FakePcsc::OpenConnections() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return connections_.size();
}

FakePcscReader* FakePcsc::Find(const std::string& name) {
    for (FakePcscReader& reader : readers) {
        if (reader.name == name) return &reader;
    }
    return nullptr;
}

LONG FakePcsc::Check(SCARDCONTEXT context) const {
    if (!serviceRunning) return SCARD_E_NO_SERVICE;
    const auto it = contexts_.find(context);
    if (it == contexts_.end() || it->second != generation_) return SCARD_E_INVALID_HANDLE;
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::EstablishContext(SCARDCONTEXT& context) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!serviceRunning) return SCARD_E_NO_SERVICE;
    context = nextContext_++;
    contexts_[context] = generation_;
    ++contextsEstablished;
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::ReleaseContext(SCARDCONTEXT context) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return contexts_.erase(context) > 0 ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG FakePcsc::ListReaders(SCARDCONTEXT context, std::vector<std::string>& names) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const LONG result = Check(context); result != SCARD_S_SUCCESS) return result;
    if (readers.empty()) return SCARD_E_NO_READERS_AVAILABLE;
    for (const FakePcscReader& reader : readers)
        names.push_back(reader.name);
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::ReaderState(SCARDCONTEXT context, const std::string& name, DWORD& state) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const LONG result = Check(context); result != SCARD_S_SUCCESS) return result;
    const FakePcscReader* reader = Find(name);
    if (reader == nullptr) {
        state = SCARD_STATE_UNKNOWN | SCARD_STATE_IGNORE;
        return SCARD_S_SUCCESS;
    }
    state = reader->chip ? SCARD_STATE_PRESENT : SCARD_STATE_EMPTY;
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::Connect(SCARDCONTEXT context, const std::string& name, DWORD shareMode, DWORD,
                       SCARDHANDLE& card, DWORD& activeProtocol) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const LONG result = Check(context); result != SCARD_S_SUCCESS) return result;
    FakePcscReader* reader = Find(name);
    if (reader == nullptr) return SCARD_E_UNKNOWN_READER;
    const bool direct = shareMode == SCARD_SHARE_DIRECT;
    for (const auto& [handle, connection] : connections_) {
        if (connection.reader == name && connection.generation == generation_) {
            return SCARD_E_SHARING_VIOLATION;
        }
    }
    if (!direct && !reader->chip) return SCARD_E_NO_SMARTCARD;
    if (!direct) Activate(*reader->chip);
    card = nextHandle_++;
    connections_[card] = {name, generation_, direct};
    activeProtocol = direct ? 0 : SCARD_PROTOCOL_T1;
    log.push_back(name + (direct ? " connect direct" : " connect"));
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::Resolve(SCARDHANDLE card, FakePcscReader*& reader, bool needCard) {
    if (!serviceRunning) return SCARD_E_NO_SERVICE;
    const auto it = connections_.find(card);
    if (it == connections_.end() || it->second.generation != generation_) {
        return SCARD_E_INVALID_HANDLE;
    }
    reader = Find(it->second.reader);
    if (reader == nullptr) return SCARD_E_READER_UNAVAILABLE;
    if (needCard && !reader->chip) return SCARD_W_REMOVED_CARD;
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::Reconnect(SCARDHANDLE card, DWORD, DWORD, DWORD initialization,
                         DWORD& activeProtocol) {
    const std::lock_guard<std::mutex> lock(mutex_);
    FakePcscReader* reader = nullptr;
    if (const LONG result = Resolve(card, reader, true); result != SCARD_S_SUCCESS) return result;
    if (initialization == SCARD_RESET_CARD) {
        Activate(*reader->chip);
        log.push_back(reader->name + " reset");
    }
    activeProtocol = SCARD_PROTOCOL_T1;
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::Disconnect(SCARDHANDLE card, DWORD) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return connections_.erase(card) > 0 ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
}

LONG FakePcsc::Status(SCARDHANDLE card, std::vector<std::uint8_t>& atr) {
    const std::lock_guard<std::mutex> lock(mutex_);
    FakePcscReader* reader = nullptr;
    if (const LONG result = Resolve(card, reader, true); result != SCARD_S_SUCCESS) return result;
    atr = reader->atr;
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::Transmit(SCARDHANDLE card, DWORD, std::span<const std::uint8_t> command,
                        std::vector<std::uint8_t>& response) {
    std::unique_lock<std::mutex> lock(mutex_);
    FakePcscReader* reader = nullptr;
    if (const LONG result = Resolve(card, reader, true); result != SCARD_S_SUCCESS) return result;
    if (!silent_.empty() && reader->name == silent_) {
        ++waiting_;
        answering_.wait(lock, [&] { return silent_.empty(); });
        --waiting_;
        return SCARD_E_NOT_TRANSACTED;
    }
    log.push_back(reader->name + " > " + cardhost::sim::ToHex(command, ' '));
    response = Answer(*reader, command);
    return SCARD_S_SUCCESS;
}

LONG FakePcsc::Control(SCARDHANDLE card, DWORD code, std::span<const std::uint8_t> command,
                       std::vector<std::uint8_t>& response) {
    const std::lock_guard<std::mutex> lock(mutex_);
    FakePcscReader* reader = nullptr;
    if (const LONG result = Resolve(card, reader, false); result != SCARD_S_SUCCESS) return result;
    char codeText[16];
    std::snprintf(codeText, sizeof codeText, "%08lX", static_cast<unsigned long>(code));
    log.push_back(reader->name + " control " + codeText + " " + cardhost::sim::ToHex(command, ' '));
    response.clear();
    return controlResult;
}

std::vector<std::uint8_t> FakePcsc::ChipThrough(FakePcscReader& reader,
                                                std::span<const std::uint8_t> frame, bool& ok) {
    const ChipAnswer answer = reader.chip->Command(frame);
    ok = answer.kind == ChipAnswer::Kind::Data || answer.kind == ChipAnswer::Kind::Ack;
    return answer.data;
}

std::vector<std::uint8_t> FakePcsc::Answer(FakePcscReader& reader,
                                           std::span<const std::uint8_t> apdu) {
    std::vector<std::uint8_t> out;
    if (apdu.size() < 4 || apdu[0] != 0xFF) return {0x6E, 0x00};
    const std::uint8_t ins = apdu[1];
    if (ins == 0xC0) {  // GET RESPONSE
        out = pending_;
        pending_.clear();
        Append(out, {0x90, 0x00});
        return out;
    }
    if (ins == 0xCA) {
        const auto uid = reader.chip->uid();
        out.assign(uid.begin(), uid.end());
        Append(out, {0x90, 0x00});
        if (reader.firmwareAsksGetResponse) {
            pending_.assign(out.begin(), out.end() - 2);
            return {0x61, static_cast<std::uint8_t>(pending_.size())};
        }
        return out;
    }
    if (ins == 0xB0 && apdu.size() == 5) {
        const std::uint8_t frame[] = {0x30, apdu[3]};
        bool ok = false;
        out = ChipThrough(reader, frame, ok);
        if (!ok) return {0x63, 0x00};
        Append(out, {0x90, 0x00});
        return out;
    }
    if (ins == 0xD6 && apdu.size() == 9) {
        const std::uint8_t frame[] = {0xA2, apdu[3], apdu[5], apdu[6], apdu[7], apdu[8]};
        bool ok = false;
        ChipThrough(reader, frame, ok);
        return ok ? std::vector<std::uint8_t>{0x90, 0x00} : std::vector<std::uint8_t>{0x63, 0x00};
    }
    if (ins == 0x00 && apdu[2] == 0x48 && reader.personality == FakePersonality::A) {
        const std::string firmware = "ACR122U207";
        return {firmware.begin(), firmware.end()};
    }
    if (ins == 0x00 && apdu.size() >= 7 && apdu[5] == 0xD4 && apdu[6] == 0x42 &&
        reader.personality == FakePersonality::A) {
        bool ok = false;
        const auto data = ChipThrough(reader, apdu.subspan(7), ok);
        out = {0xD5, 0x43, static_cast<std::uint8_t>(ok ? 0x00 : 0x01)};
        out.insert(out.end(), data.begin(), data.end());
        Append(out, {0x90, 0x00});
        return out;
    }
    if (ins == 0xC2 && reader.personality == FakePersonality::B) {
        if (apdu[3] == 0x00) return {0xC0, 0x03, 0x00, 0x90, 0x00};  // session start or end
        // FF C2 00 01 Lc 95 L <frame> 00
        const std::size_t length = apdu[6];
        const ChipAnswer answer = reader.chip->Command(apdu.subspan(7, length));
        switch (answer.kind) {
            case ChipAnswer::Kind::Data:
                out = {0xC0,
                       0x03,
                       0x00,
                       0x90,
                       0x00,
                       0x97,
                       static_cast<std::uint8_t>(answer.data.size())};
                out.insert(out.end(), answer.data.begin(), answer.data.end());
                break;
            case ChipAnswer::Kind::Ack:
                out = {0xC0, 0x03, 0x00, 0x90, 0x00, 0x92, 0x01, 0x04, 0x97, 0x01, 0x0A};
                break;
            case ChipAnswer::Kind::Nak:
                out = {0xC0, 0x03, 0x00, 0x90, 0x00, 0x92, 0x01, 0x04, 0x97, 0x01, answer.nakCode};
                break;
            case ChipAnswer::Kind::Silent:
                out = {0xC0, 0x03, 0x01, 0x64, 0x01};
                break;
        }
        Append(out, {0x90, 0x00});
        return out;
    }
    return {0x6A, 0x81};
}

}  // namespace tagwright::test
