// SPDX-License-Identifier: MIT
#include "card_answers.h"

#include <algorithm>

namespace tagwright::pcsc_testing {
namespace {

using cardhost::sim::ChipAnswer;
using cardhost::sim::ChipState;

constexpr std::uint8_t kReaderClass = 0xFF;
constexpr std::uint8_t kInsGetData = 0xCA;
constexpr std::uint8_t kInsReadBinary = 0xB0;
constexpr std::uint8_t kInsUpdateBinary = 0xD6;
constexpr std::uint8_t kInsPseudo = 0x00;    // ACR122U pseudo-APDUs (PN532, firmware, LED)
constexpr std::uint8_t kInsEnvelope = 0xC2;  // transparent session
constexpr std::uint8_t kTagRead = 0x30;
constexpr std::uint8_t kTagWrite = 0xA2;

const Bytes kOk{0x90, 0x00};
const Bytes kFailed{0x63, 0x00};
const Bytes kNotSupported{0x6A, 0x81};
const Bytes kWrongLength{0x67, 0x00};
const Bytes kWrongParameters{0x6B, 0x00};
const Bytes kInsNotSupported{0x6D, 0x00};
const Bytes kClassNotSupported{0x6E, 0x00};

Bytes Append(Bytes head, std::span<const std::uint8_t> tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The command data of a short APDU with Lc; nothing when Lc does not match the length.
std::optional<std::span<const std::uint8_t>> CommandData(std::span<const std::uint8_t> apdu) {
    if (apdu.size() < 5) return std::nullopt;
    const std::size_t lc = apdu[4];
    // Le may follow the data (transparent exchange ends with 00).
    if (apdu.size() != 5 + lc && apdu.size() != 6 + lc) return std::nullopt;
    return apdu.subspan(5, lc);
}

}  // namespace

std::optional<Personality> PersonalityFromName(std::string_view name) {
    if (name == "A" || name == "a") return Personality::DirectTransmit;
    if (name == "B" || name == "b") return Personality::TransparentSession;
    if (name == "C" || name == "c") return Personality::StorageOnly;
    return std::nullopt;
}

std::optional<std::uint8_t> OpcodeFromName(std::string_view name) {
    if (name == "read") return kTagRead;
    if (name == "write") return kTagWrite;
    if (name == "get-version") return std::uint8_t{0x60};
    if (name == "pwd-auth") return std::uint8_t{0x1B};
    if (name == "read-sig") return std::uint8_t{0x3C};
    return std::nullopt;
}

CardAnswers::CardAnswers(Personality personality, cardhost::sim::NtagChip chip)
    : personality_(personality), chip_(std::move(chip)) {}

void CardAnswers::PowerOn() {
    chip_.PowerOff();
    sessionOpen_ = false;
    std::array<std::uint8_t, 2> atqa{};
    cardhost::sim::Uid uid{};
    // The reader activates the tag by itself whenever it powers the field.
    if (chip_.WakeUp(0x52, atqa)) chip_.AnticollisionAndSelect(uid);
}

void CardAnswers::PowerOff() {
    chip_.PowerOff();
    sessionOpen_ = false;
}

ChipAnswer CardAnswers::TagCommand(std::span<const std::uint8_t> frame) {
    const bool listening =
        chip_.state() == ChipState::Active || chip_.state() == ChipState::Authenticated;
    if (leaveCountdown_ > 0 && !frame.empty() && frame[0] == leaveOpcode_ &&
        --leaveCountdown_ == 0) {
        leaving_ = true;
        return ChipAnswer::Silence();
    }
    for (Countdown& nak : nakCountdowns_) {
        if (nak.left > 0 && !frame.empty() && frame[0] == nak.opcode && --nak.left == 0)
            nakNext_ = true;
    }
    if (nakNext_ && listening) {
        nakNext_ = false;
        chip_.RestoreState(ChipState::Idle, chip_.counterTouched());
        return ChipAnswer::Nak(cardhost::sim::kNakInvalidArgument);
    }
    return chip_.Command(frame);
}

Bytes CardAnswers::Answer(std::span<const std::uint8_t> apdu) {
    if (apdu.size() < 4) return kWrongLength;
    if (apdu[0] != kReaderClass) return kClassNotSupported;
    switch (apdu[1]) {
        case kInsGetData:
        case kInsReadBinary:
        case kInsUpdateBinary:
            return StorageCommand(apdu);
        case kInsPseudo:
            if (personality_ != Personality::DirectTransmit) return kNotSupported;
            return DirectTransmit(apdu);
        case kInsEnvelope:
            if (personality_ != Personality::TransparentSession) return kNotSupported;
            return Session(apdu);
        default:
            return kInsNotSupported;
    }
}

Bytes CardAnswers::StorageCommand(std::span<const std::uint8_t> apdu) {
    const std::uint8_t p1 = apdu[2];
    const std::uint8_t p2 = apdu[3];
    if (apdu[1] == kInsGetData) {
        if (p1 != 0x00 || p2 != 0x00) return kNotSupported;
        // The reader keeps the UID from its last activation; the tag is not asked again.
        const cardhost::sim::Uid uid = chip_.uid();
        return Append(Bytes(uid.begin(), uid.end()), kOk);
    }
    if (p1 != 0x00) return kWrongParameters;
    if (apdu[1] == kInsReadBinary) {
        if (apdu.size() != 5) return kWrongLength;
        const std::size_t length = apdu[4] == 0 ? 16 : apdu[4];
        if (length > 16) return kWrongLength;
        const std::uint8_t frame[] = {kTagRead, p2};
        const ChipAnswer answer = TagCommand(frame);
        if (answer.kind != ChipAnswer::Kind::Data) return kFailed;
        return Append(Bytes(answer.data.begin(), answer.data.begin() + static_cast<long>(length)),
                      kOk);
    }
    const auto data = CommandData(apdu);
    if (!data || data->size() != 4) return kWrongLength;
    const std::uint8_t frame[] = {kTagWrite, p2, (*data)[0], (*data)[1], (*data)[2], (*data)[3]};
    return TagCommand(frame).kind == ChipAnswer::Kind::Ack ? kOk : kFailed;
}

Bytes CardAnswers::DirectTransmit(std::span<const std::uint8_t> apdu) {
    const std::uint8_t p1 = apdu[2];
    const std::uint8_t p2 = apdu[3];
    if (p1 == 0x48 && p2 == 0x00) return Bytes(kFirmware.begin(), kFirmware.end());
    if (p1 == 0x40 || p1 == 0x52) return kOk;  // LED and buzzer: nothing to show here
    if (p1 != 0x00 || p2 != 0x00) return kWrongParameters;
    const auto data = CommandData(apdu);
    if (!data) return kWrongLength;
    // PN532 InCommunicateThru (D4 42) alone: the other PN532 commands are not used here.
    if (data->size() < 3 || (*data)[0] != 0xD4 || (*data)[1] != 0x42) return kFailed;
    const ChipAnswer answer = TagCommand(data->subspan(2));
    // A NAK, like silence, is a timeout for the PN532: status 01, no data.
    if (answer.kind == ChipAnswer::Kind::Nak || answer.kind == ChipAnswer::Kind::Silent) {
        return {0xD5, 0x43, 0x01, 0x90, 0x00};
    }
    return Append(Append({0xD5, 0x43, 0x00}, answer.data), kOk);
}

Bytes CardAnswers::Session(std::span<const std::uint8_t> apdu) {
    const std::uint8_t p1 = apdu[2];
    const std::uint8_t p2 = apdu[3];
    const auto data = CommandData(apdu);
    if (p1 != 0x00 || !data || data->size() < 2) return kWrongLength;
    const Bytes ok{0xC0, 0x03, 0x00, 0x90, 0x00};
    if (p2 == 0x00) {  // session management
        const std::uint8_t tag = (*data)[0];
        if (tag == 0x81) sessionOpen_ = true;
        if (tag == 0x82) sessionOpen_ = false;
        if (tag != 0x81 && tag != 0x82 && tag != 0x83 && tag != 0x84) {
            return {0xC0, 0x03, 0x01, 0x6A, 0x81, 0x90, 0x00};
        }
        return Append(ok, kOk);
    }
    if (p2 != 0x01) return kWrongParameters;
    if (!sessionOpen_) return {0xC0, 0x03, 0x01, 0x69, 0x86, 0x90, 0x00};
    // Transceive: 95 L <frame>.
    if ((*data)[0] != 0x95 || (*data)[1] + 2u != data->size()) {
        return {0xC0, 0x03, 0x01, 0x6A, 0x80, 0x90, 0x00};
    }
    const ChipAnswer answer = TagCommand(data->subspan(2));
    if (answer.kind == ChipAnswer::Kind::Silent) {
        return {0xC0, 0x03, 0x01, 0x64, 0x01, 0x90, 0x00};  // no answer from the tag
    }
    // ACK and NAK are 4-bit frames: 92 01 04 says how many bits of the last byte count.
    Bytes out = ok;
    Bytes received = answer.data;
    if (answer.kind == ChipAnswer::Kind::Ack) received = {0x0A};
    if (answer.kind == ChipAnswer::Kind::Nak) received = {answer.nakCode};
    const std::uint8_t lastBits = answer.kind == ChipAnswer::Kind::Data ? 0x00 : 0x04;
    out.insert(out.end(), {0x92, 0x01, lastBits, 0x96, 0x02, 0x00, 0x00, 0x97,
                           static_cast<std::uint8_t>(received.size())});
    return Append(Append(out, received), kOk);
}

}  // namespace tagwright::pcsc_testing
