// SPDX-License-Identifier: MIT
// A PC/SC reader's transparent-session answer: whatever the bytes, the parse ends, and data it
// reports lies within the answer; TLVs that parse cover the input exactly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <cardhost/cardhost.h>

#include "cardhost/pcsc/pcsc_personality.h"
#include "cardhost/pcsc/tlv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cardhost::pcsc;
    const std::vector<std::uint8_t> bytes(data, data + size);
    const RawAnswer raw = ParseTransparentAnswer(bytes);
    if (raw.status == CARDHOST_OK && raw.data.size() > size) __builtin_trap();
    if (raw.status != CARDHOST_OK && !raw.data.empty()) __builtin_trap();
    if (const auto tlvs = ParseTlvs(bytes)) {
        std::size_t covered = 0;
        for (const Tlv& tlv : *tlvs)
            covered += 2 + tlv.value.size();
        if (covered > size) __builtin_trap();
    }
    return 0;
}
