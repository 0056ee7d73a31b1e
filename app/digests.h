// SPDX-License-Identifier: MIT
// SHA-256 where the journal needs it: the NDEF bytes of a tag, a batch file's content, and the
// short keyed fingerprint that stands for a key.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tag/password.h"

namespace tagwright::app {

// 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);
// The SHA-256 of a file's content; nothing when it cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& file);

// Four hex digits: the start of HMAC-SHA256, keyed with the operator's secret, over a fixed
// label and the key. Without the secret a fingerprint says nothing of the key; with it, a key
// has only 32 bits, so any longer fingerprint would give the key away to whoever tries all 2^32
// keys, and four digits still leave 65,536 keys per fingerprint while telling a line's few keys
// apart.
std::string KeyFingerprint(const tag::Key& key, std::string_view secret);

}  // namespace tagwright::app
