#include "sim_reader.h"

#include <algorithm>
#include <map>

#include <cardhost/cardhost.h>

namespace cardhost::sim {
namespace {

void Remember(std::vector<std::uint8_t>& history, std::uint8_t value) {
    history.push_back(value);
    if (history.size() > kHistoryLimit) {
        history.erase(history.begin(), history.begin() + (history.size() - kHistoryLimit));
    }
}

}  // namespace

std::uint32_t AirTimeMicros(std::string_view kind, std::size_t fastReadPages) {
    // Wake-up, anticollision and selection of a 7-byte UID take 4.6 ms together.
    static const std::map<std::string_view, std::uint32_t> kCosts{
        {"TyA_Request", 600},
        {"TyA_NTAG_AnticollSelect", 4000},
        {"TyA_Anticollision", 2000},
        {"TyA_Select", 2000},
        {"TyA_Halt", 300},
        {"TyA_NTAG_GetVersion", 1330},
        {"TyA_NTAG_Read", 2090},
        {"TyA_NTAG_Write", 4950},
        {"TyA_NTAG_CompWrite", 6100},
        {"TyA_NTAG_PwdAuth", 1160},
        {"TyA_NTAG_ReadCnt", 1100},
        {"TyA_NTAG_ReadSig", 3500},
        {"Sys_Transceive", 1500},
    };
    if (kind == "TyA_NTAG_FastRead") {
        return static_cast<std::uint32_t>(1000 + 380 * fastReadPages);
    }
    const auto it = kCosts.find(kind);
    return it == kCosts.end() ? 0 : it->second;
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
    for (auto it = reader.faults.begin(); it != reader.faults.end(); ++it) {
        if (it->kind != kind) continue;
        tx.MarkStateChanged();
        if (it->remaining > 1) {
            --it->remaining;
            continue;
        }
        const std::int32_t status = it->status;
        reader.faults.erase(it);
        return status;
    }
    return std::nullopt;
}

void WeakenWrite(SimStore::Transaction& tx, ReaderRecord& reader,
                 std::vector<std::uint8_t>& frame) {
    constexpr std::size_t kWriteFrameSize = 6;
    if (frame.size() != kWriteFrameSize) return;
    for (auto it = reader.weakPages.begin(); it != reader.weakPages.end(); ++it) {
        if (it->page != frame[1]) continue;
        tx.MarkStateChanged();
        if (it->remaining > 1) {
            --it->remaining;
            continue;
        }
        reader.weakPages.erase(it);
        for (std::size_t i = 2; i < kWriteFrameSize; ++i)
            frame[i] ^= 0x01;
        return;
    }
}

void RecordLight(ReaderRecord& reader, std::uint8_t state) {
    Remember(reader.lightHistory, state);
}

void RecordBuzzer(SimStore::Transaction& tx, ReaderRecord& reader, std::uint8_t length) {
    Remember(reader.buzzerHistory, length);
    if (length == kSuccessBeepLength && reader.fieldFromQueue) TakeTagAway(tx, reader);
}

}  // namespace cardhost::sim
