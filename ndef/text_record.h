// SPDX-License-Identifier: MIT
// The NFC Forum Text record ("T"): UTF-8 text with the language code "zh".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ndef_tlv.h"

namespace tagwright::ndef {

inline constexpr std::uint8_t kTextType = 0x54;  // 'T'

// The status byte and language code, then the text: 02 7A 68 text.
std::vector<std::uint8_t> TextPayload(std::string_view utf8);
// The whole record as the only one of its message (D1 or C1); empty for an empty text, which
// the message then writes as the empty NDEF TLV.
std::vector<std::uint8_t> BuildTextRecord(std::string_view utf8);

struct DecodedText {
    std::string utf8;  // the text as stored; its size is the byte count shown
};

// A Text payload: status byte (bit 7 clear: UTF-8), language code, text. Nothing when the
// status announces UTF-16 or a language code longer than the payload allows.
std::optional<DecodedText> DecodeTextPayload(std::span<const std::uint8_t> payload);

// The stored message of the Text panel, read from page 4 on into `buffer` (total + 16 bytes):
// one record with header D1 or C1, type "T", within the bounds of the data read.
std::optional<DecodedText> DecodeStoredTextMessage(std::span<const std::uint8_t> buffer,
                                                   std::uint8_t ndefOffset, TlvLength length);

// The byte count read from a TLV: where the stored message ends (NDEF offset + TLV + 1).
inline std::size_t StoredMessageTotal(std::uint8_t ndefOffset, TlvLength length) {
    return std::size_t{ndefOffset} + length.length + length.fieldSize + 2;
}

}  // namespace tagwright::ndef
