// SPDX-License-Identifier: MIT
#include "sim_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include <cardhost/cardhost.h>

namespace cardhost::sim {
namespace {

void Remember(std::vector<std::uint8_t>& history, std::uint8_t value) {
    history.push_back(value);
    if (history.size() > kHistoryLimit) {
        history.erase(history.begin(), history.begin() + (history.size() - kHistoryLimit));
    }
}

// Every rule that `counts` the call counts it, so each fires at the call it names even when
// another rule fired at an earlier one. The rules due now are taken out, first given first: rules
// that name the same call fire at it together (a call fails once, with the first one's status).
template <typename Rule, typename Counts>
std::vector<Rule> TakeDueRules(SimStore::Transaction& tx, std::vector<Rule>& rules, Counts counts) {
    std::vector<Rule> due;
    for (auto it = rules.begin(); it != rules.end();) {
        if (!counts(*it)) {
            ++it;
            continue;
        }
        tx.MarkStateChanged();
        if (it->remaining > 1) {
            --it->remaining;
            ++it;
            continue;
        }
        due.push_back(*it);
        it = rules.erase(it);
    }
    return due;
}

}  // namespace

namespace {

// ISO/IEC 14443 type A at 106 kbit/s: a bit lasts 128 carrier cycles of 13.56 MHz. A standard
// frame carries nine bits a byte (eight and odd parity) between a start and an end bit; the tag
// answers 1172 cycles after the reader's last bit, and the reader waits as long again before its
// next frame.
constexpr double kBitMicros = 128.0 / 13.56;
constexpr double kTurnaroundMicros = 1172.0 / 13.56;
// The tag's EEPROM programming time for one page (NTAG21x datasheet: 4.1 ms).
constexpr double kProgrammingMicros = 4100.0;

constexpr double FrameMicros(double bytes) {
    return (9.0 * bytes + 2.0) * kBitMicros;
}
constexpr double kShortFrameMicros = 9.0 * kBitMicros;  // REQA/WUPA: seven bits
constexpr double kAckMicros = 6.0 * kBitMicros;         // ACK/NAK: four bits

// One command frame and its answer, with the tag's processing time in between.
constexpr double Exchange(double commandMicros, double answerMicros, double processingMicros = 0) {
    return commandMicros + kTurnaroundMicros + processingMicros + answerMicros + kTurnaroundMicros;
}

// Frames with a CRC carry two bytes more than their payload.
constexpr double WithCrc(double bytes) {
    return FrameMicros(bytes + 2.0);
}

constexpr double kAnticollisionLevel = Exchange(FrameMicros(2), FrameMicros(5));  // 93 20 / UID+BCC
constexpr double kSelectLevel = Exchange(WithCrc(7), WithCrc(1));                 // 93 70 ... / SAK

}  // namespace

std::uint32_t AirTimeMicros(std::string_view kind, std::size_t fastReadPages) {
    static const std::map<std::string_view, double> kCosts{
        {"TyA_Request", Exchange(kShortFrameMicros, FrameMicros(2))},
        // Two cascade levels for a 7-byte UID.
        {"TyA_NTAG_AnticollSelect", 2 * (kAnticollisionLevel + kSelectLevel)},
        {"TyA_Anticollision", kAnticollisionLevel},
        {"TyA_Select", kSelectLevel},
        // HLTA has no answer: the reader waits one turnaround.
        {"TyA_Halt", WithCrc(2) + kTurnaroundMicros},
        {"TyA_NTAG_GetVersion", Exchange(WithCrc(1), WithCrc(8))},
        {"TyA_NTAG_Read", Exchange(WithCrc(2), WithCrc(16))},
        {"TyA_NTAG_Write", Exchange(WithCrc(6), kAckMicros, kProgrammingMicros)},
        // Two frames: the command and address, then 16 bytes of which four are programmed.
        {"TyA_NTAG_CompWrite",
         Exchange(WithCrc(2), kAckMicros) + Exchange(WithCrc(16), kAckMicros, kProgrammingMicros)},
        {"TyA_NTAG_PwdAuth", Exchange(WithCrc(5), WithCrc(2))},
        {"TyA_NTAG_ReadCnt", Exchange(WithCrc(2), WithCrc(3))},
        {"TyA_NTAG_ReadSig", Exchange(WithCrc(2), WithCrc(32))},
        // A raw frame of unknown length: a typical short exchange.
        {"Sys_Transceive", 1500.0},
    };
    if (kind == "TyA_NTAG_FastRead") {
        const double pages = static_cast<double>(fastReadPages);
        return static_cast<std::uint32_t>(Exchange(WithCrc(3), WithCrc(4.0 * pages)) + 0.5);
    }
    const auto it = kCosts.find(kind);
    return it == kCosts.end() ? 0 : static_cast<std::uint32_t>(it->second + 0.5);
}

namespace {

// A public ACR122U log (PN532 behind the reader's firmware, commands through direct transmit):
// 19 to 24 ms from a WRITE request to its reply, against 5 ms of air time, and 45 ms for a tag's
// activation. The reader's own time is taken as the same for every command it passes on.
constexpr double kAcr122uWriteMicros = (19000.0 + 24000.0) / 2.0;
constexpr ReaderLatency kAir{"air"};
const ReaderLatency kAcr122u{"acr122u", kAcr122uWriteMicros - AirTimeMicros("TyA_NTAG_Write"),
                             45000.0};

const std::optional<ReaderLatency>& Profile() {
    static const std::optional<ReaderLatency> profile = [] {
        const char* value = std::getenv("CARDHOST_SIM_REALTIME");
        return value == nullptr ? std::nullopt : ParseRealTime(value);
    }();
    return profile;
}

}  // namespace

std::optional<ReaderLatency> ParseRealTime(std::string_view value) {
    if (value == "1" || value == "air") return kAir;
    if (value == "acr122u") return kAcr122u;
    return std::nullopt;
}

std::uint32_t CommandMicros(std::string_view kind, const ReaderLatency& profile) {
    const double air = AirTimeMicros(kind);
    if (air <= 0) return 0;
    double micros = air + profile.commandMicros;
    // The activation's time goes to the wake-up; the selection is an ordinary command after it.
    if (kind == "TyA_Request" && profile.activationMicros > 0) {
        const double select = AirTimeMicros("TyA_NTAG_AnticollSelect") + profile.commandMicros;
        micros = std::max(air, profile.activationMicros - select);
    }
    return static_cast<std::uint32_t>(micros + 0.5);
}

bool RealTimeMode() {
    return Profile().has_value();
}

void SpendAirTime(std::string_view kind) {
    if (!Profile()) return;
    const std::uint32_t micros = CommandMicros(kind, *Profile());
    if (micros > 0) std::this_thread::sleep_for(std::chrono::microseconds(micros));
}

NtagChip* TagInField(SimStore::Transaction& tx, const ReaderRecord& reader) {
    return reader.fieldUid.empty() ? nullptr : &tx.RequireTag(reader.fieldUid);
}

void PlaceTag(SimStore::Transaction& tx, ReaderRecord& reader, const std::string& uid,
              bool fromQueue) {
    reader.fieldUid = uid;
    reader.fieldFromQueue = fromQueue;
    reader.emptyPolls = 0;
    tx.RequireTag(uid).PowerOff();  // it arrives unpowered: IDLE
    tx.MarkTagChanged(uid);
    tx.MarkStateChanged();
}

void TakeTagAway(SimStore::Transaction& tx, ReaderRecord& reader) {
    if (NtagChip* chip = reader.fieldUid.empty() ? nullptr : tx.Tag(reader.fieldUid)) {
        chip->PowerOff();
        tx.MarkTagChanged(reader.fieldUid);
    }
    reader.fieldUid.clear();
    reader.fieldFromQueue = false;
    reader.emptyPolls = 0;
    tx.MarkStateChanged();
}

bool PollEmptyField(SimStore::Transaction& tx, ReaderRecord& reader) {
    if (reader.QueueWaiting() == 0) return false;
    if (reader.emptyPolls < reader.gapPolls) {
        ++reader.emptyPolls;
        tx.MarkStateChanged();
        return false;
    }
    PlaceTag(tx, reader, tx.PopQueue(reader), true);
    return true;
}

std::optional<std::int32_t> BeginCommand(SimStore::Transaction& tx, ReaderRecord& reader,
                                         std::string_view kind) {
    tx.MarkStateChanged();
    if (reader.detachAfter == 0) {
        reader.detachAfter = -1;
        reader.attached = false;
    } else if (reader.detachAfter > 0) {
        --reader.detachAfter;
    }
    if (!reader.attached) return CARDHOST_DETACHED;

    ++reader.commandCounts[std::string(kind)];
    reader.airTimeMicros += AirTimeMicros(kind);

    if (reader.tearAfter == 0) {
        reader.tearAfter = -1;
        if (!reader.fieldUid.empty()) TakeTagAway(tx, reader);
    } else if (reader.tearAfter > 0) {
        --reader.tearAfter;
    }

    const auto failure = DueFailure(tx, reader, kind);
    // A failed exchange leaves the tag unsure of its state, as a real one would be.
    if (failure && kind.starts_with("TyA_")) {
        if (NtagChip* chip = TagInField(tx, reader)) {
            chip->RestoreState(ChipState::Idle, chip->counterTouched());
            tx.MarkTagChanged(reader.fieldUid);
        }
    }
    return failure;
}

std::optional<std::int32_t> DueFailure(SimStore::Transaction& tx, ReaderRecord& reader,
                                       std::string_view kind) {
    const auto due =
        TakeDueRules(tx, reader.faults, [&](const FaultRule& rule) { return rule.kind == kind; });
    if (due.empty()) return std::nullopt;
    return due.front().status;
}

void WeakenWrite(SimStore::Transaction& tx, ReaderRecord& reader,
                 std::vector<std::uint8_t>& frame) {
    constexpr std::size_t kWriteFrameSize = 6;
    if (frame.size() != kWriteFrameSize) return;
    const auto due = TakeDueRules(tx, reader.weakPages,
                                  [&](const WeakPageRule& rule) { return rule.page == frame[1]; });
    if (due.empty()) return;
    for (std::size_t i = 2; i < kWriteFrameSize; ++i)
        frame[i] ^= 0x01;
}

void RecordLight(ReaderRecord& reader, std::uint8_t state) {
    Remember(reader.lightHistory, state);
}

void RecordBuzzer(SimStore::Transaction& tx, ReaderRecord& reader, std::uint8_t length) {
    Remember(reader.buzzerHistory, length);
    if (length == kSuccessBeepLength && reader.fieldFromQueue) TakeTagAway(tx, reader);
}

}  // namespace cardhost::sim
