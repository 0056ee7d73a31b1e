// SPDX-License-Identifier: MIT
// The card connection's plain APDU traffic: GET RESPONSE chaining, status words, and what the
// ATR says about the tag.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "pcsc_api.h"

namespace cardhost::pcsc {

struct Apdu {
    LONG result = SCARD_S_SUCCESS;   // the PC/SC call's own result
    std::vector<std::uint8_t> data;  // the answer without its status word
    std::uint16_t statusWord = 0;    // 0 when the answer was shorter than a status word
};

// Sends one command; a 61 xx answer is followed by GET RESPONSE (FF C0 00 00 xx), as some
// ACR122U firmware asks, and the pieces are joined.
Apdu TransmitApdu(PcscApi& api, SCARDHANDLE card, DWORD protocol,
                  std::span<const std::uint8_t> command);

// The ATQA (low byte first) a wake-up reports for a card with this ATR. PC/SC hides the real
// one: a PC/SC storage-card ATR for an ISO 14443A part 3 card of the Ultralight family (every
// NTAG) gives 0x0044; another part 3 card 0x0004; anything else 0x0000.
std::array<std::uint8_t, 2> AtqaFromAtr(std::span<const std::uint8_t> atr);

}  // namespace cardhost::pcsc
