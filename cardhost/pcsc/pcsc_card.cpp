// SPDX-License-Identifier: MIT
#include "pcsc_card.h"

#include <algorithm>

namespace cardhost::pcsc {
namespace {

// Enough for any tag's memory; a reader that keeps asking is not followed for ever.
constexpr int kMaxGetResponses = 16;

// The PC/SC storage-card ATR: 3B 8F 80 01 80 4F 0C A0 00 00 03 06 SS NN NN 00 00 00 00 TCK,
// with the application identifier of the registration authority A0 00 00 03 06.
constexpr std::array<std::uint8_t, 12> kStorageAtrHead{0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F,
                                                       0x0C, 0xA0, 0x00, 0x00, 0x03, 0x06};
constexpr std::uint8_t kIso14443APart3 = 0x03;
constexpr std::uint16_t kUltralightFamily = 0x0003;

}  // namespace

Apdu TransmitApdu(PcscApi& api, SCARDHANDLE card, DWORD protocol,
                  std::span<const std::uint8_t> command) {
    Apdu apdu;
    std::vector<std::uint8_t> response;
    apdu.result = api.Transmit(card, protocol, command, response);
    for (int i = 0; apdu.result == SCARD_S_SUCCESS; ++i) {
        if (response.size() < 2) {
            apdu.data.insert(apdu.data.end(), response.begin(), response.end());
            apdu.statusWord = 0;
            break;
        }
        const std::uint8_t sw1 = response[response.size() - 2];
        const std::uint8_t sw2 = response.back();
        apdu.data.insert(apdu.data.end(), response.begin(), response.end() - 2);
        apdu.statusWord = static_cast<std::uint16_t>((sw1 << 8) | sw2);
        if (sw1 != 0x61 || i == kMaxGetResponses) break;
        const std::array<std::uint8_t, 5> getResponse{0xFF, 0xC0, 0x00, 0x00, sw2};
        response.clear();
        apdu.result = api.Transmit(card, protocol, getResponse, response);
    }
    return apdu;
}

std::array<std::uint8_t, 2> AtqaFromAtr(std::span<const std::uint8_t> atr) {
    if (atr.size() < 15 ||
        !std::equal(kStorageAtrHead.begin(), kStorageAtrHead.end(), atr.begin())) {
        return {0x00, 0x00};
    }
    if (atr[12] != kIso14443APart3) return {0x00, 0x00};
    const auto cardName = static_cast<std::uint16_t>((atr[13] << 8) | atr[14]);
    if (cardName == kUltralightFamily) return {0x44, 0x00};
    return {0x04, 0x00};
}

}  // namespace cardhost::pcsc
