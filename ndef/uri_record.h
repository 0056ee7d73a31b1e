// SPDX-License-Identifier: MIT
// The NFC Forum URI record ("U"): an identifier code for a common prefix, then the rest.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tagwright::ndef {

inline constexpr std::uint8_t kUriType = 0x55;  // 'U'

// The prefix list: the position of a row is the identifier code written to the tag.
inline constexpr std::array<std::string_view, 6> kUriPrefixes{
    "", "http://www.", "https://www.", "http://", "https://", "tel:"};

enum class RecordPlace {
    Alone,          // the only record of the message: D1 / C1
    FirstOfNested,  // first record of a Smart Poster's message: 91 / 81
};

std::vector<std::uint8_t> BuildUriRecord(std::uint8_t code, std::span<const std::uint8_t> field,
                                         RecordPlace place);

struct ParsedUri {
    std::uint8_t code;
    std::vector<std::uint8_t> field;
    std::size_t next;  // index of the byte after the record
};

// The URI record whose header stands at `at`, in a message whose terminator stands at
// `terminatorAt`. Only the header's SR bit is looked at. Nothing when it is no URI record or its
// payload runs past the terminator.
std::optional<ParsedUri> ParseUriRecord(std::span<const std::uint8_t> bytes, std::size_t at,
                                        std::size_t terminatorAt);

}  // namespace tagwright::ndef
