// SPDX-License-Identifier: MIT
// The UIDs queued at one reader, one fixed-width line each (14 hex digits and a newline), first
// to arrive first. The file is only ever written whole, when tags are queued; the tags that
// arrive only move the head index kept in the state, so a reader call costs the same whatever
// the length of its queue.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cardhost::sim {

inline constexpr std::size_t kQueueLineSize = 15;

std::string SerializeQueue(const std::vector<std::string>& uids);

// Every UID of the queue file at `path`, which must hold exactly `length` lines.
std::vector<std::string> ReadQueue(const std::filesystem::path& path, std::uint64_t length);
// The UID on line `index` (from 0) of a queue file that must hold exactly `length` lines.
std::string ReadQueueEntry(const std::filesystem::path& path, std::uint64_t index,
                           std::uint64_t length);

}  // namespace cardhost::sim
