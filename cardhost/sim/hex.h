// SPDX-License-Identifier: MIT
// Upper-case hexadecimal text for byte strings, as the simulator stores and prints them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cardhost::sim {

// `separator` between the bytes, if not NUL ("3B 8F ..." as reader tools print APDUs).
std::string ToHex(std::span<const std::uint8_t> bytes, char separator = '\0');
// Accepts upper and lower case; refuses odd lengths and other characters.
std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text);

}  // namespace cardhost::sim
