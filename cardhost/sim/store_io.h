// SPDX-License-Identifier: MIT
// Reading and writing the files of the state directory without trusting what lies there: a file
// may have been replaced by a FIFO, a device, a link to /dev/zero or something huge. Every
// failure is a StoreError naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace cardhost::sim {

// Whether anything at all lies at `path`, without following a link and without opening it, so
// that a FIFO or device counts as present (and is refused when read).
bool StoreEntryExists(const std::filesystem::path& path);

// The whole contents of a regular file of at most `limit` bytes. Anything else is refused before
// it is opened, and it is opened without blocking, so a FIFO can never hang the caller.
std::string ReadStoreFile(const std::filesystem::path& path, std::size_t limit);

// `size` bytes at `offset` of a regular file that must be exactly `expectedSize` bytes long.
std::string ReadStoreFileAt(const std::filesystem::path& path, std::uint64_t offset,
                            std::size_t size, std::uint64_t expectedSize);

// Creates the file anew (whatever lay at `path` is replaced) with these contents.
void WriteStoreFile(const std::filesystem::path& path, const std::string& contents);
// Atomic within one file system: readers see the old file or the new one.
void RenameStoreFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Nothing to do when it is already gone.
void RemoveStoreEntry(const std::filesystem::path& path);

}  // namespace cardhost::sim
