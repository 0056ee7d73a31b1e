// SPDX-License-Identifier: MIT
// SHA-256 where the journal needs it: the NDEF bytes of a tag, a batch file's content, and the
// short fingerprint that stands for a key.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "tag/password.h"

namespace tagwright::app {

// 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);
// The SHA-256 of a file's content; nothing when it cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& file);

// Four hex digits: the start of SHA-256 over a fixed label and the key. A tag's key has only 32
// bits, so any longer fingerprint would give the key away to anyone who tries all 2^32 keys;
// four digits leave 65,536 keys per fingerprint and still tell a line's few keys apart.
std::string KeyFingerprint(const tag::Key& key);

}  // namespace tagwright::app
