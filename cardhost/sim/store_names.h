// SPDX-License-Identifier: MIT
// The names of the files in the simulator's state directory, relative to it:
//   state                  readers, fields, queue positions, faults, counters
//   tags/<UID>.tag         one tag each (UID: 14 upper-case hex digits)
//   queues/<serial>.queue  the UIDs queued at one reader (serial as hex digits)
//   holds/<serial>.open    the lock that marks a reader as open
//   journal, pending/      a commit in progress (see commit_journal.h)
//   lock                   the lock that every transaction holds
#pragma once

#include <string>
#include <string_view>

namespace cardhost::sim {

inline constexpr const char* kStateFile = "state";
inline constexpr const char* kTagsFolder = "tags";
inline constexpr const char* kQueuesFolder = "queues";
inline constexpr const char* kHoldsFolder = "holds";
inline constexpr const char* kPendingFolder = "pending";

// 14 upper-case hex digits, the form in which UIDs name files and fill the state.
bool IsUidText(std::string_view text);

// A reader's serial may hold any byte; its hex form is a safe file name.
std::string SerialFileStem(std::string_view serial);

std::string TagFileName(std::string_view uid);
std::string QueueFileName(std::string_view serial);

// Whether `relative` names a file that a commit may replace or remove.
bool IsStoreFileName(std::string_view relative);

}  // namespace cardhost::sim
