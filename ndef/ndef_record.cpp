// SPDX-License-Identifier: MIT
#include "ndef_record.h"

namespace tagwright::ndef {

void AppendRecord(std::vector<std::uint8_t>& out, std::uint8_t flags,
                  std::span<const std::uint8_t> type, std::span<const std::uint8_t> payload) {
    const std::size_t n = payload.size();
    const bool isShort = n <= 255;
    out.push_back(isShort ? static_cast<std::uint8_t>(flags | kShortRecordFlag)
                          : static_cast<std::uint8_t>(flags & ~kShortRecordFlag));
    out.push_back(static_cast<std::uint8_t>(type.size()));
    if (isShort) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>((n >> shift) & 0xFF));
        }
    }
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), payload.begin(), payload.end());
}

std::optional<RecordFields> ReadRecordFields(std::span<const std::uint8_t> bytes, std::size_t at) {
    if (at + 3 > bytes.size()) return std::nullopt;
    RecordFields fields{bytes[at], bytes[at + 1], 0, 0};
    if (fields.header & kShortRecordFlag) {
        fields.payloadLength = bytes[at + 2];
        fields.typeAt = at + 3;
    } else {
        if (at + 6 > bytes.size()) return std::nullopt;
        for (std::size_t i = 0; i < 4; ++i) {
            fields.payloadLength = fields.payloadLength << 8 | bytes[at + 2 + i];
        }
        fields.typeAt = at + 6;
    }
    return fields;
}

}  // namespace tagwright::ndef
