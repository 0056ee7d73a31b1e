// SPDX-License-Identifier: MIT
// What a virtual reader does around its tag: the field, the conveyor, injected faults, counters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim_store.h"

namespace cardhost::sim {

// Modeled air time of one command of this kind at 106 kbit/s, in microseconds: its frames and
// the tag's answer delay and programming time (docs/cardhost.md).
std::uint32_t AirTimeMicros(std::string_view kind, std::size_t fastReadPages = 0);

// What a USB reader adds to the air time of the commands it passes on to the tag: its own time
// for every command (USB transfers, the reader's firmware), and for the activation (wake-up
// through selection) as a whole. The air-only profile adds nothing.
struct ReaderLatency {
    std::string_view name;
    double commandMicros = 0;     // added to every command the reader passes on
    double activationMicros = 0;  // wake-up and selection together, air time included; 0: air
};

// The profiles CARDHOST_SIM_REALTIME names: "air" (or "1"), the air time alone; "acr122u", a
// PN532 reader in direct-transmit mode as a public log of one shows it (docs/cardhost.md).
// Nothing for any other value: real-time mode is off.
std::optional<ReaderLatency> ParseRealTime(std::string_view value);

// How long one command of this kind lasts with the profile, in microseconds: its air time and
// the reader's own. Commands the tag never sees (lights, buzzer, the other Sys_ calls) take none.
std::uint32_t CommandMicros(std::string_view kind, const ReaderLatency& profile);

// CARDHOST_SIM_REALTIME set to a profile: every command the reader passes on lasts as long as
// the profile says, so that a batch on the simulator takes as long as on a real line.
bool RealTimeMode();
// In real-time mode, waits for the command's time; otherwise returns at once.
void SpendAirTime(std::string_view kind);

// Counts one command of this kind on the reader and applies the pending tear, detach and fault
// rules. Returns the status the command must fail with, or nothing to let it run.
std::optional<std::int32_t> BeginCommand(SimStore::Transaction& tx, ReaderRecord& reader,
                                         std::string_view kind);

// Counts one call of this entry point against the reader's fault rules alone (no command count,
// tear or detach): for the calls that do not talk to the tag, such as Sys_Open or Sys_Close.
// Returns the status of the rule that falls due, or nothing.
std::optional<std::int32_t> DueFailure(SimStore::Transaction& tx, ReaderRecord& reader,
                                       std::string_view kind);

// A WRITE frame (A2 page d0..d3) on its way to the tag: when a weak-page rule falls due for its
// page, the data bytes are changed as the weak page would store them.
void WeakenWrite(SimStore::Transaction& tx, ReaderRecord& reader, std::vector<std::uint8_t>& frame);

// The tag in the field, nullptr for none; a tag that the state names must have its file.
NtagChip* TagInField(SimStore::Transaction& tx, const ReaderRecord& reader);
void PlaceTag(SimStore::Transaction& tx, ReaderRecord& reader, const std::string& uid,
              bool fromQueue);
// The tag leaves the field (it loses power); the field is empty afterwards, also when the tag's
// file had gone missing.
void TakeTagAway(SimStore::Transaction& tx, ReaderRecord& reader);
// A wake-up found the field empty: counts the poll and brings the next queued tag when due.
// Returns true when a tag arrived.
bool PollEmptyField(SimStore::Transaction& tx, ReaderRecord& reader);

void RecordLight(ReaderRecord& reader, std::uint8_t state);
// A length-10 beep is the success signal: a conveyed tag is lifted away.
void RecordBuzzer(SimStore::Transaction& tx, ReaderRecord& reader, std::uint8_t length);

inline constexpr std::uint8_t kSuccessBeepLength = 10;

}  // namespace cardhost::sim
