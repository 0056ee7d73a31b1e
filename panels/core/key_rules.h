// SPDX-License-Identifier: MIT
// How a key field's text becomes password bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "tag/password.h"

namespace tagwright::panels {

// Two characters per byte from the left, high digit first, kept to 8 bits; an odd last character
// alone gives one byte. Hex digits count 0-15 in either case; any other character counts with
// its own character code (such characters only arrive by pasting).
std::vector<std::uint8_t> KeyTextToBytes(std::string_view text);

// The 4-byte key of a key field, or nothing when its text does not begin with eight hexadecimal
// digits: a shorter key would leave bytes undefined, so it never reaches a tag.
std::optional<tag::Key> KeyFromField(std::string_view text);

// A chosen PACK: exactly four hexadecimal digits, or nothing.
std::optional<tag::Pack> PackFromText(std::string_view text);

}  // namespace tagwright::panels
