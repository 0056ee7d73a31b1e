// Upper-case hexadecimal text for byte strings, as the simulator stores and prints them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cardhost::sim {

std::string ToHex(std::span<const std::uint8_t> bytes);
// Accepts upper and lower case; refuses odd lengths and other characters.
std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text);

}  // namespace cardhost::sim
