// What the simulator keeps between calls and between processes: the virtual readers, what lies in
// their fields, their conveyors, injected faults and counters. Tags are kept in files of their own.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cardhost::sim {

struct FaultRule {
    std::string kind;         // entry point name, e.g. "TyA_NTAG_Write"
    std::uint32_t remaining;  // fires when this counts down to zero (the n-th call from now)
    std::int32_t status;      // the status the failing call returns
};

struct ReaderRecord {
    std::string serial;
    bool attached = true;
    std::string fieldUid;         // upper-case hex of the tag in the field; empty: none
    bool fieldFromQueue = false;  // a conveyed tag leaves on the success beep
    std::deque<std::string> queue;
    std::uint32_t gapPolls = 0;    // empty polls before the next queued tag arrives
    std::uint32_t emptyPolls = 0;  // empty polls since the field became empty
    std::vector<FaultRule> faults;
    std::int64_t tearAfter = -1;    // the tag leaves after this many more commands
    std::int64_t detachAfter = -1;  // the reader is unplugged after this many more commands
    std::map<std::string, std::uint64_t> commandCounts;
    std::uint64_t airTimeMicros = 0;
    std::vector<std::uint8_t> lightHistory;
    std::vector<std::uint8_t> buzzerHistory;
};

struct SimState {
    std::vector<ReaderRecord> readers;

    ReaderRecord* Find(const std::string& serial);
    const ReaderRecord* Find(const std::string& serial) const;
    // Readers that are plugged in, in the order in which they were added.
    std::vector<const ReaderRecord*> Attached() const;
};

inline constexpr std::size_t kHistoryLimit = 256;

std::string SerializeState(const SimState& state);
std::optional<SimState> ParseState(const std::string& text);

}  // namespace cardhost::sim
