// SPDX-License-Identifier: MIT
// The Text panel's parser of a stored message, with the NDEF offset and TLV length from the tag.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ndef/text_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const auto offset = static_cast<std::uint8_t>(data[0] % 16);
    const tagwright::ndef::TlvLength length{static_cast<std::uint16_t>(data[1] << 8 | data[2]),
                                            static_cast<std::uint8_t>(data[1] & 1 ? 3 : 1)};
    // The buffer as the page reads leave it: total + 16 bytes, zero beyond the input.
    std::vector<std::uint8_t> buffer(tagwright::ndef::StoredMessageTotal(offset, length) + 16, 0);
    std::copy_n(data + 3, std::min(size - 3, buffer.size()), buffer.begin());
    const auto text = tagwright::ndef::DecodeStoredTextMessage(buffer, offset, length);
    if (text && text->utf8.size() > buffer.size()) __builtin_trap();
    return 0;
}
