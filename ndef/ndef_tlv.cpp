// SPDX-License-Identifier: MIT
#include "ndef_tlv.h"

#include <algorithm>

namespace tagwright::ndef {

std::optional<std::uint8_t> FindNdefTlv(std::span<const std::uint8_t, 16> firstBlock) {
    std::size_t i = 0;
    while (i < firstBlock.size()) {
        switch (firstBlock[i]) {
            case 0x00:  // NULL TLV
                i += 1;
                break;
            case 0x01:  // Lock Control TLV
            case 0x02:  // Memory Control TLV
                i += 5;
                break;
            case kNdefTlv:
                return static_cast<std::uint8_t>(i);
            case 0xFD:  // Proprietary TLV: tag, length, value
                if (i + 1 >= firstBlock.size()) return std::nullopt;
                i += 2 + std::size_t{firstBlock[i + 1]};
                break;
            default:  // Terminator or unknown
                return std::nullopt;
        }
    }
    return std::nullopt;
}

TlvLength DecodeTlvLength(std::span<const std::uint8_t, 3> bytes) {
    if (bytes[0] == 0xFF) {
        return {static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]), 3};
    }
    return {bytes[0], 1};
}

std::vector<std::uint8_t> WrapInNdefTlv(std::span<const std::uint8_t> record) {
    std::vector<std::uint8_t> tlv{kNdefTlv};
    const std::size_t r = record.size();
    if (r <= 254) {
        tlv.push_back(static_cast<std::uint8_t>(r));
    } else {
        tlv.push_back(0xFF);
        tlv.push_back(static_cast<std::uint8_t>(r >> 8));
        tlv.push_back(static_cast<std::uint8_t>(r & 0xFF));
    }
    tlv.insert(tlv.end(), record.begin(), record.end());
    return tlv;
}

MessageImage BuildMessageImage(std::span<const std::uint8_t, 16> firstBlock,
                               std::uint8_t ndefOffset, std::span<const std::uint8_t> tlv,
                               std::size_t bufferSize) {
    const std::size_t messageSize = std::size_t{ndefOffset} + tlv.size() + 1;
    MessageImage image{std::vector<std::uint8_t>(std::max(bufferSize, messageSize + 4), 0),
                       messageSize};
    std::copy_n(firstBlock.begin(), ndefOffset, image.bytes.begin());
    std::copy(tlv.begin(), tlv.end(), image.bytes.begin() + ndefOffset);
    image.bytes[messageSize - 1] = kTerminatorTlv;
    return image;
}

}  // namespace tagwright::ndef
