// SPDX-License-Identifier: MIT
// NDEF record headers: building them, and reading their fields safely from tag bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tagwright::ndef {

inline constexpr std::uint8_t kShortRecordFlag = 0x10;  // SR
inline constexpr std::uint8_t kMessageBegin = 0x80;     // MB
inline constexpr std::uint8_t kMessageEnd = 0x40;       // ME
inline constexpr std::uint8_t kWellKnown = 0x01;        // TNF 1

// Appends header, type length, payload length, type and payload. `flags` carries MB, ME and
// TNF; SR is added when the payload is at most 255 bytes, else the 4-byte length is written.
void AppendRecord(std::vector<std::uint8_t>& out, std::uint8_t flags,
                  std::span<const std::uint8_t> type, std::span<const std::uint8_t> payload);

// The fixed fields of a record as stored: where its type and payload lie.
struct RecordFields {
    std::uint8_t header;
    std::uint8_t typeLength;
    std::uint64_t payloadLength;
    std::size_t typeAt;  // index of the first type byte
    std::size_t payloadAt() const { return typeAt + typeLength; }
};

// Reads the header at `at`: SR decides between one and four length bytes; nothing when the
// fields do not lie within `bytes`.
std::optional<RecordFields> ReadRecordFields(std::span<const std::uint8_t> bytes, std::size_t at);

}  // namespace tagwright::ndef
