// SPDX-License-Identifier: MIT
// The three record decoders: Text payload, URI record and Smart Poster, at any position of any
// message with any terminator position.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "ndef/smart_poster.h"
#include "ndef/text_record.h"
#include "ndef/uri_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::span<const std::uint8_t> message(data + 2, size - 2);
    const std::size_t at = data[0] % message.size();
    const std::size_t terminatorAt = data[1] % (message.size() + 4);  // may lie past the end

    tagwright::ndef::DecodeTextPayload(message);
    if (const auto uri = tagwright::ndef::ParseUriRecord(message, at, terminatorAt)) {
        if (uri->next > message.size()) __builtin_trap();
    }
    std::size_t seen = 0;
    tagwright::ndef::ParseSmartPoster(
        message, at, terminatorAt,
        [&seen](const tagwright::ndef::ParsedUri& uri) { seen += uri.field.size(); });
    if (seen > message.size()) __builtin_trap();
    return 0;
}
