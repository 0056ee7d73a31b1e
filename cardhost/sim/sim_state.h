// SPDX-License-Identifier: MIT
// What the simulator keeps between calls and between processes: the virtual readers, what lies in
// their fields, where their conveyors stand, injected faults and counters. Tags and the UIDs
// queued at each reader are kept in files of their own, so that this stays small whatever the
// number of tags: every reader call reads and writes it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cardhost::sim {

struct FaultRule {
    std::string kind;         // entry point name, e.g. "TyA_NTAG_Write"
    std::uint32_t remaining;  // fires when this counts down to zero (the n-th call from now)
    std::int32_t status;      // the status the failing call returns
};

// A weak page: the n-th WRITE to it from now is acknowledged, but the page keeps other bytes than
// were sent (each byte with its lowest bit inverted), as a worn or marginal EEPROM cell would.
struct WeakPageRule {
    std::uint8_t page;
    std::uint32_t remaining;  // fires when this counts down to zero
};

struct ReaderRecord {
    std::string serial;
    bool attached = true;
    std::string fieldUid;         // upper-case hex of the tag in the field; empty: none
    bool fieldFromQueue = false;  // a conveyed tag leaves on the success beep
    // The reader's queue file holds `queueLength` UIDs; those from `queueHead` on still wait.
    std::uint64_t queueHead = 0;
    std::uint64_t queueLength = 0;
    std::uint32_t gapPolls = 0;    // empty polls before the next queued tag arrives
    std::uint32_t emptyPolls = 0;  // empty polls since the field became empty
    std::vector<FaultRule> faults;
    std::vector<WeakPageRule> weakPages;
    std::int64_t tearAfter = -1;    // the tag leaves after this many more commands
    std::int64_t detachAfter = -1;  // the reader is unplugged after this many more commands
    std::map<std::string, std::uint64_t> commandCounts;
    std::uint64_t airTimeMicros = 0;
    std::vector<std::uint8_t> lightHistory;
    std::vector<std::uint8_t> buzzerHistory;

    std::uint64_t QueueWaiting() const { return queueLength - queueHead; }
};

struct SimState {
    std::vector<ReaderRecord> readers;

    ReaderRecord* Find(const std::string& serial);
    const ReaderRecord* Find(const std::string& serial) const;
    // Readers that are plugged in, in the order in which they were added.
    std::vector<const ReaderRecord*> Attached() const;
};

inline constexpr std::size_t kHistoryLimit = 256;
// At most this many UIDs wait at one reader (a queue file of 15 MB).
inline constexpr std::uint64_t kQueueLimit = 1'000'000;

// A reader serial: 1 to 255 printable ASCII characters without spaces.
bool IsValidSerial(const std::string& serial);

std::string SerializeState(const SimState& state);
// Throws FormatError naming the line for anything it would not have written itself, including a
// text cut short (the last line marks the end).
SimState ParseState(const std::string& text);

}  // namespace cardhost::sim
