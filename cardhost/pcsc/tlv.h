// SPDX-License-Identifier: MIT
// Generic BER-style TLVs as a reader's transparent session answers them: one tag byte, a length
// (one byte, or 0x81/0x82 followed by one or two), the value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cardhost::pcsc {

struct Tlv {
    std::uint8_t tag = 0;
    std::vector<std::uint8_t> value;
};

// Every TLV of `bytes` in order; nothing when they do not parse to the last byte.
std::optional<std::vector<Tlv>> ParseTlvs(std::span<const std::uint8_t> bytes);

}  // namespace cardhost::pcsc
