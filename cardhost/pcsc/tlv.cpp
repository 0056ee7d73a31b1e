// SPDX-License-Identifier: MIT
#include "tlv.h"

namespace cardhost::pcsc {

std::optional<std::vector<Tlv>> ParseTlvs(std::span<const std::uint8_t> bytes) {
    std::vector<Tlv> tlvs;
    std::size_t at = 0;
    while (at < bytes.size()) {
        Tlv tlv;
        tlv.tag = bytes[at++];
        if (at >= bytes.size()) return std::nullopt;
        std::size_t length = bytes[at++];
        if (length == 0x81 || length == 0x82) {
            const std::size_t lengthBytes = length - 0x80;
            if (bytes.size() - at < lengthBytes) return std::nullopt;
            length = 0;
            for (std::size_t i = 0; i < lengthBytes; ++i)
                length = (length << 8) | bytes[at++];
        } else if (length > 0x80) {
            return std::nullopt;
        }
        if (bytes.size() - at < length) return std::nullopt;
        tlv.value.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
        tlvs.push_back(std::move(tlv));
    }
    return tlvs;
}

}  // namespace cardhost::pcsc
