// SPDX-License-Identifier: MIT
// The NFC Forum Smart Poster record ("Sp"): a URI record, an action record and a title.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "uri_record.h"

namespace tagwright::ndef {

std::vector<std::uint8_t> BuildSmartPoster(std::uint8_t code, std::span<const std::uint8_t> url,
                                           std::string_view titleUtf8);

struct ParsedSmartPoster {
    ParsedUri uri;
    std::string titleUtf8;
};

// The Smart Poster whose header stands at `at`; `onUri` hears of the URI record as soon as it is
// parsed, before the action and title records are examined.
std::optional<ParsedSmartPoster> ParseSmartPoster(
    std::span<const std::uint8_t> bytes, std::size_t at, std::size_t terminatorAt,
    const std::function<void(const ParsedUri&)>& onUri = {});

}  // namespace tagwright::ndef
