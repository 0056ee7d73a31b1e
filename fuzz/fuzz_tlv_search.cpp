// SPDX-License-Identifier: MIT
// The NDEF TLV search and length field over any first block of a data area.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ndef/ndef_tlv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, 19> bytes{};
    std::copy_n(data, std::min(size, bytes.size()), bytes.begin());
    const auto offset =
        tagwright::ndef::FindNdefTlv(std::span<const std::uint8_t, 16>(bytes.data(), 16));
    if (offset && *offset > 15) __builtin_trap();
    const auto length =
        tagwright::ndef::DecodeTlvLength(std::span<const std::uint8_t, 3>(bytes.data() + 16, 3));
    if (length.fieldSize != 1 && length.fieldSize != 3) __builtin_trap();
    return 0;
}
