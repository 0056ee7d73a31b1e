// SPDX-License-Identifier: MIT
// What a contactless reader with one NTAG in its field answers over PC/SC: the storage-card
// APDUs every reader has, and the raw tag commands in the way of one reader personality.
//
// The tag behind it is the simulator's own chip model, so that a tag written through pcscd
// holds exactly the bytes the simulator would hold.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "cardhost/sim/ntag_chip.h"

namespace tagwright::pcsc_testing {

using Bytes = std::vector<std::uint8_t>;

// How raw tag commands reach the tag.
enum class Personality : std::uint8_t {
    DirectTransmit,      // A: PN532 InCommunicateThru in FF 00 00 00 (ACR122U)
    TransparentSession,  // B: FF C2 transparent exchange (ACR1252U)
    StorageOnly,         // C: storage APDUs only; raw commands are not supported
};

std::optional<Personality> PersonalityFromName(std::string_view name);  // "A", "B" or "C"
// The first byte of a tag command by its name: read, write, get-version, pwd-auth.
std::optional<std::uint8_t> OpcodeFromName(std::string_view name);

// An NTAG/Ultralight under PC/SC Part 3: ISO 14443A part 3, card name 00 03.
inline constexpr std::uint8_t kAtr[] = {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                                        0x03, 0x06, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x68};
// What an ACR122U answers to its firmware query, without a status word.
inline constexpr std::string_view kFirmware = "ACR122U207";

class CardAnswers {
  public:
    CardAnswers(Personality personality, cardhost::sim::NtagChip chip);

    // The reader powers the field (power on and reset): the tag is woken and selected anew.
    void PowerOn();
    void PowerOff();
    Bytes Atr() const { return Bytes(std::begin(kAtr), std::end(kAtr)); }

    // One C-APDU, its R-APDU.
    Bytes Answer(std::span<const std::uint8_t> apdu);

    const cardhost::sim::NtagChip& chip() const { return chip_; }
    // A NAK that the tag did not decide itself (a disturbed frame): it drops to IDLE. Either
    // the next tag command, or the `nth` one from now that begins with `opcode` (READ 0x30,
    // WRITE 0xA2, ...), as the simulator's injected faults count one entry point's calls; each
    // opcode has its own count.
    void ForceNak() { nakNext_ = true; }
    void NakCommand(std::uint8_t opcode, std::uint32_t nth) {
        nakCountdowns_.push_back({opcode, nth});
    }
    // The tag leaves the field when the `nth` command beginning with `opcode` comes: that
    // command stays undone and unanswered; TakeLeave() tells the one who carries the answer.
    void LeaveOnCommand(std::uint8_t opcode, std::uint32_t nth) {
        leaveOpcode_ = opcode;
        leaveCountdown_ = nth;
    }
    bool TakeLeave() { return std::exchange(leaving_, false); }

  private:
    Bytes StorageCommand(std::span<const std::uint8_t> apdu);
    Bytes DirectTransmit(std::span<const std::uint8_t> apdu);
    Bytes Session(std::span<const std::uint8_t> apdu);
    cardhost::sim::ChipAnswer TagCommand(std::span<const std::uint8_t> frame);

    Personality personality_;
    cardhost::sim::NtagChip chip_;
    bool sessionOpen_ = false;
    bool nakNext_ = false;
    struct Countdown {
        std::uint8_t opcode;
        std::uint32_t left;  // 0: done
    };
    std::vector<Countdown> nakCountdowns_;
    std::uint8_t leaveOpcode_ = 0;
    std::uint32_t leaveCountdown_ = 0;
    bool leaving_ = false;
};

}  // namespace tagwright::pcsc_testing
