// SPDX-License-Identifier: MIT
#include "pcsc_personality.h"

#include <cardhost/cardhost.h>
#include <algorithm>

#include "pcsc_card.h"
#include "tlv.h"

namespace cardhost::pcsc {
namespace {

constexpr std::uint16_t kSuccess = 0x9000;

const std::vector<std::uint8_t> kFirmwareQuery{0xFF, 0x00, 0x48, 0x00, 0x00};
const std::vector<std::uint8_t> kStartSession{0xFF, 0xC2, 0x00, 0x00, 0x02, 0x81, 0x00};
const std::vector<std::uint8_t> kEndSession{0xFF, 0xC2, 0x00, 0x00, 0x02, 0x82, 0x00};

// Transparent-session data objects.
constexpr std::uint8_t kGenericError = 0xC0;  // 3 bytes: 00 = fine
constexpr std::uint8_t kResponseBits = 0x92;  // 1 byte: valid bits of the last byte
constexpr std::uint8_t kResponseData = 0x97;  // the tag's answer
constexpr std::uint8_t kTransceive = 0x95;    // the frame to send

// A firmware text such as "ACR122U207": printable, with no status word after it.
bool IsFirmwareText(const std::vector<std::uint8_t>& answer) {
    return answer.size() >= 3 && std::all_of(answer.begin(), answer.end(),
                                             [](std::uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

bool EndsInSuccess(const std::vector<std::uint8_t>& answer) {
    return answer.size() >= 2 && answer[answer.size() - 2] == 0x90 && answer.back() == 0x00;
}

// The PN532 answers D5 43 <status> <data>; status 0 is success, anything else (01: timeout)
// is what a NAK or a wrong password looks like through this reader: the tag went idle.
RawAnswer SendDirect(PcscApi& api, SCARDHANDLE card, DWORD protocol,
                     std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> command{
        0xFF, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(frame.size() + 2), 0xD4, 0x42};
    command.insert(command.end(), frame.begin(), frame.end());
    const Apdu apdu = TransmitApdu(api, card, protocol, command);
    RawAnswer raw{apdu.result, CARDHOST_READER_ERROR, {}};
    if (apdu.result != SCARD_S_SUCCESS) return raw;
    if (apdu.statusWord != kSuccess || apdu.data.size() < 3 || apdu.data[0] != 0xD5 ||
        apdu.data[1] != 0x43) {
        return raw;
    }
    if (apdu.data[2] != 0x00) {
        raw.status = CARDHOST_NAK_BASE;
        return raw;
    }
    raw.status = CARDHOST_OK;
    raw.data.assign(apdu.data.begin() + 3, apdu.data.end());
    return raw;
}

RawAnswer SendTransparent(PcscApi& api, SCARDHANDLE card, DWORD protocol,
                          std::span<const std::uint8_t> frame) {
    // One session per command: storage-card commands between them see the reader as usual.
    const Apdu start = TransmitApdu(api, card, protocol, kStartSession);
    if (start.result != SCARD_S_SUCCESS) return {start.result, CARDHOST_READER_ERROR, {}};
    if (start.statusWord != kSuccess) return {SCARD_S_SUCCESS, CARDHOST_READER_ERROR, {}};
    // Lc counts the data object 95 L <frame> alone: the 00 after it is Le.
    std::vector<std::uint8_t> command{0xFF,
                                      0xC2,
                                      0x00,
                                      0x01,
                                      static_cast<std::uint8_t>(frame.size() + 2),
                                      kTransceive,
                                      static_cast<std::uint8_t>(frame.size())};
    command.insert(command.end(), frame.begin(), frame.end());
    command.push_back(0x00);
    const Apdu apdu = TransmitApdu(api, card, protocol, command);
    RawAnswer raw{apdu.result, CARDHOST_READER_ERROR, {}};
    if (apdu.result == SCARD_S_SUCCESS && apdu.statusWord == kSuccess) {
        raw = ParseTransparentAnswer(apdu.data);
    }
    const Apdu end = TransmitApdu(api, card, protocol, kEndSession);
    if (raw.result == SCARD_S_SUCCESS && end.result != SCARD_S_SUCCESS) raw.result = end.result;
    return raw;
}

}  // namespace

std::string_view PersonalityName(Personality personality) {
    switch (personality) {
        case Personality::Unknown:
            return "unknown";
        case Personality::DirectTransmit:
            return "A (direct transmit)";
        case Personality::TransparentSession:
            return "B (transparent session)";
        case Personality::StorageOnly:
            return "C (storage only)";
    }
    return "unknown";
}

Personality ProbePersonality(PcscApi& api, SCARDHANDLE card, DWORD protocol) {
    std::vector<std::uint8_t> answer;
    if (api.Transmit(card, protocol, kFirmwareQuery, answer) == SCARD_S_SUCCESS &&
        IsFirmwareText(answer)) {
        return Personality::DirectTransmit;
    }
    answer.clear();
    if (api.Transmit(card, protocol, kStartSession, answer) == SCARD_S_SUCCESS &&
        EndsInSuccess(answer) && answer.size() >= 5 && answer[0] == kGenericError &&
        answer[1] == 0x03 && answer[2] == 0x00) {
        std::vector<std::uint8_t> ignored;
        api.Transmit(card, protocol, kEndSession, ignored);
        return Personality::TransparentSession;
    }
    return Personality::StorageOnly;
}

RawAnswer ParseTransparentAnswer(std::span<const std::uint8_t> answer) {
    RawAnswer raw{SCARD_S_SUCCESS, CARDHOST_READER_ERROR, {}};
    const auto tlvs = ParseTlvs(answer);
    if (!tlvs || tlvs->empty() || (*tlvs)[0].tag != kGenericError || (*tlvs)[0].value.size() != 3) {
        return raw;
    }
    const std::vector<std::uint8_t>& error = (*tlvs)[0].value;
    int bits = 8;
    const std::vector<std::uint8_t>* data = nullptr;
    for (const Tlv& tlv : *tlvs) {
        if (tlv.tag == kResponseBits && tlv.value.size() == 1) bits = tlv.value[0];
        if (tlv.tag == kResponseData) data = &tlv.value;
    }
    if (error[0] != 0x00) {
        // C0 03 01 64 01 and alike: the tag did not answer in time.
        raw.status = CARDHOST_NO_ANSWER;
        return raw;
    }
    if (data == nullptr) {
        raw.status = CARDHOST_NO_ANSWER;
        return raw;
    }
    if (data->size() == 1 && bits == 4) {
        // Four bits: ACK (0xA) or NAK n.
        const std::uint8_t nibble = (*data)[0] & 0x0F;
        raw.status = nibble == 0x0A ? Status{CARDHOST_OK} : Status{CARDHOST_NAK_BASE | nibble};
        return raw;
    }
    raw.status = CARDHOST_OK;
    raw.data = *data;
    return raw;
}

RawAnswer SendRaw(PcscApi& api, SCARDHANDLE card, DWORD protocol, Personality personality,
                  std::span<const std::uint8_t> frame) {
    switch (personality) {
        case Personality::DirectTransmit:
            return SendDirect(api, card, protocol, frame);
        case Personality::TransparentSession:
            return SendTransparent(api, card, protocol, frame);
        case Personality::Unknown:
        case Personality::StorageOnly:
            break;
    }
    return {SCARD_S_SUCCESS, CARDHOST_NOT_SUPPORTED, {}};
}

}  // namespace cardhost::pcsc
