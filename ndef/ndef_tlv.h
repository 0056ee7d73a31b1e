// SPDX-License-Identifier: MIT
// The NDEF TLV in the data area: finding it, reading its length, wrapping a record into it.
// Pure functions over bytes, so that they can be tested and fuzzed without a reader.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tagwright::ndef {

inline constexpr std::uint8_t kNdefTlv = 0x03;
inline constexpr std::uint8_t kTerminatorTlv = 0xFE;

// The offset (0 to 15) of the NDEF TLV among the TLVs at the start of the data area, looking at
// the first 16 bytes only; nothing when a Terminator, an unknown TLV or the end comes first.
std::optional<std::uint8_t> FindNdefTlv(std::span<const std::uint8_t, 16> firstBlock);

struct TlvLength {
    std::uint16_t length;    // L
    std::uint8_t fieldSize;  // f: 1, or 3 for the 0xFF form
};

// The length field from the three bytes that follow the TLV tag.
TlvLength DecodeTlvLength(std::span<const std::uint8_t, 3> bytes);

// 03 00 for an empty record; 03 r record for r <= 254; 03 FF hi lo record otherwise.
// The record must be at most 65535 bytes.
std::vector<std::uint8_t> WrapInNdefTlv(std::span<const std::uint8_t> record);

// The bytes written from page 4 on: the first `ndefOffset` bytes as they were read (TLVs before
// the NDEF TLV keep their values), the NDEF TLV, the Terminator. The buffer is zero-filled to
// `bufferSize` (at least the message size + 4); `messageSize` is what counts.
struct MessageImage {
    std::vector<std::uint8_t> bytes;
    std::size_t messageSize;
};
MessageImage BuildMessageImage(std::span<const std::uint8_t, 16> firstBlock,
                               std::uint8_t ndefOffset, std::span<const std::uint8_t> tlv,
                               std::size_t bufferSize = 0);

// The message size such an image has, computed without building it.
inline std::size_t MessageSize(std::uint8_t ndefOffset, std::size_t recordLength) {
    const std::size_t tlvSize = (recordLength <= 254 ? 2 : 4) + recordLength;
    return ndefOffset + tlvSize + 1;
}

}  // namespace tagwright::ndef
