// SPDX-License-Identifier: MIT
#include "smart_poster.h"

#include "ndef_record.h"
#include "text_record.h"

namespace tagwright::ndef {
namespace {

constexpr std::uint8_t kActionRecord[] = {0x11, 0x03, 0x01, 'a', 'c', 't', 0x00};
constexpr std::size_t kActionTypeOffset = 3;

}  // namespace

std::vector<std::uint8_t> BuildSmartPoster(std::uint8_t code, std::span<const std::uint8_t> url,
                                           std::string_view titleUtf8) {
    std::vector<std::uint8_t> nested = BuildUriRecord(code, url, RecordPlace::FirstOfNested);
    nested.insert(nested.end(), std::begin(kActionRecord), std::end(kActionRecord));
    const std::uint8_t textType[] = {kTextType};
    AppendRecord(nested, kMessageEnd | kWellKnown, textType, TextPayload(titleUtf8));

    const std::uint8_t type[] = {'S', 'p'};
    std::vector<std::uint8_t> record;
    AppendRecord(record, kMessageBegin | kMessageEnd | kWellKnown, type, nested);
    return record;
}

std::optional<ParsedSmartPoster> ParseSmartPoster(
    std::span<const std::uint8_t> bytes, std::size_t at, std::size_t terminatorAt,
    const std::function<void(const ParsedUri&)>& onUri) {
    // Every byte looked at must lie within the message, up to its terminator.
    const std::size_t end = std::min(bytes.size(), terminatorAt + 1);
    const auto outer = ReadRecordFields(bytes.first(end), at);
    if (!outer || outer->typeAt + 2 > end) return std::nullopt;
    if (bytes[outer->typeAt] != 'S' || bytes[outer->typeAt + 1] != 'p') return std::nullopt;

    auto uri = ParseUriRecord(bytes, outer->typeAt + 2, terminatorAt);
    if (!uri) return std::nullopt;
    if (onUri) onUri(*uri);

    const std::size_t action = uri->next;
    if (action + sizeof kActionRecord > end) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        if (bytes[action + kActionTypeOffset + i] != kActionRecord[kActionTypeOffset + i]) {
            return std::nullopt;
        }
    }

    const auto title = ReadRecordFields(bytes.first(end), action + sizeof kActionRecord);
    if (!title || title->typeLength != 1 || title->typeAt >= end) return std::nullopt;
    if (bytes[title->typeAt] != kTextType) return std::nullopt;
    const std::uint64_t statusAt = title->payloadAt();
    const std::uint64_t n = title->payloadLength;
    if (statusAt + n > std::uint64_t{terminatorAt} + 1 || statusAt + n > end) return std::nullopt;
    auto text = DecodeTextPayload(
        bytes.subspan(static_cast<std::size_t>(statusAt), static_cast<std::size_t>(n)));
    if (!text) return std::nullopt;
    return ParsedSmartPoster{std::move(*uri), std::move(text->utf8)};
}

}  // namespace tagwright::ndef
