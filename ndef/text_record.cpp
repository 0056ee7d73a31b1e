// SPDX-License-Identifier: MIT
#include "text_record.h"

#include <algorithm>

#include "ndef_record.h"

namespace tagwright::ndef {
namespace {

constexpr std::uint8_t kUtf8WithTwoLetterCode = 0x02;
constexpr std::uint8_t kUtf16Flag = 0x80;
constexpr std::uint8_t kLanguageLengthMask = 0x3F;

}  // namespace

std::vector<std::uint8_t> TextPayload(std::string_view utf8) {
    std::vector<std::uint8_t> payload(3 + utf8.size());
    payload[0] = kUtf8WithTwoLetterCode;
    payload[1] = 'z';
    payload[2] = 'h';
    std::copy(utf8.begin(), utf8.end(), payload.begin() + 3);
    return payload;
}

std::vector<std::uint8_t> BuildTextRecord(std::string_view utf8) {
    std::vector<std::uint8_t> record;
    if (utf8.empty()) return record;
    const std::uint8_t type[] = {kTextType};
    AppendRecord(record, kMessageBegin | kMessageEnd | kWellKnown, type, TextPayload(utf8));
    return record;
}

std::optional<DecodedText> DecodeTextPayload(std::span<const std::uint8_t> payload) {
    if (payload.empty()) return std::nullopt;  // not even the status byte
    const std::uint8_t status = payload[0];
    if (status & kUtf16Flag) return std::nullopt;
    const std::size_t codeLength = status & kLanguageLengthMask;
    if (codeLength > payload.size() - 1) return std::nullopt;
    const auto text = payload.subspan(1 + codeLength);
    return DecodedText{std::string(text.begin(), text.end())};
}

std::optional<DecodedText> DecodeStoredTextMessage(std::span<const std::uint8_t> buffer,
                                                   std::uint8_t ndefOffset, TlvLength length) {
    const std::size_t total = StoredMessageTotal(ndefOffset, length);
    const std::size_t headerAt = std::size_t{ndefOffset} + length.fieldSize + 1;
    if (headerAt >= buffer.size()) return std::nullopt;
    const std::uint8_t header = buffer[headerAt];
    if (header != 0xD1 && header != 0xC1) return std::nullopt;
    const auto fields = ReadRecordFields(buffer, headerAt);
    if (!fields || fields->typeLength != 1 || fields->typeAt >= buffer.size()) return std::nullopt;
    if (buffer[fields->typeAt] != kTextType) return std::nullopt;
    // The payload may end at most two bytes past the message, never past the data read; the
    // length comes from the tag, so the sum is formed in 64 bits.
    const std::uint64_t payloadAt = fields->payloadAt();
    const std::uint64_t n = fields->payloadLength;
    if (payloadAt + n > std::uint64_t{total} + 2 || payloadAt + n > buffer.size()) {
        return std::nullopt;
    }
    return DecodeTextPayload(
        buffer.subspan(static_cast<std::size_t>(payloadAt), static_cast<std::size_t>(n)));
}

}  // namespace tagwright::ndef
