// SPDX-License-Identifier: MIT
#include "uri_record.h"

#include "ndef_record.h"

namespace tagwright::ndef {

std::vector<std::uint8_t> BuildUriRecord(std::uint8_t code, std::span<const std::uint8_t> field,
                                         RecordPlace place) {
    std::vector<std::uint8_t> payload{code};
    payload.insert(payload.end(), field.begin(), field.end());
    const std::uint8_t flags = place == RecordPlace::Alone
                                   ? std::uint8_t{kMessageBegin | kMessageEnd | kWellKnown}
                                   : std::uint8_t{kMessageBegin | kWellKnown};
    const std::uint8_t type[] = {kUriType};
    std::vector<std::uint8_t> record;
    AppendRecord(record, flags, type, payload);
    return record;
}

std::optional<ParsedUri> ParseUriRecord(std::span<const std::uint8_t> bytes, std::size_t at,
                                        std::size_t terminatorAt) {
    const auto fields = ReadRecordFields(bytes, at);
    if (!fields || fields->typeLength != 1) return std::nullopt;
    const std::uint64_t typeAt = fields->typeAt;
    const std::uint64_t n = fields->payloadLength;
    // The payload holds at least the code and may not end beyond the terminator.
    if (n < 1 || typeAt + n > terminatorAt || typeAt + n >= bytes.size()) return std::nullopt;
    if (bytes[fields->typeAt] != kUriType) return std::nullopt;
    const auto payload = bytes.subspan(fields->typeAt + 1, static_cast<std::size_t>(n));
    return ParsedUri{payload[0], std::vector<std::uint8_t>(payload.begin() + 1, payload.end()),
                     static_cast<std::size_t>(typeAt + n + 1)};
}

}  // namespace tagwright::ndef
