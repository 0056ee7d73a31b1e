// SPDX-License-Identifier: MIT
// One simulated NTAG chip: its memory, its persistent counters and its activation state.
//
// The chip answers frames as the real one does: a data answer, an ACK, a NAK with its code, or
// silence. Every NAK sends it back to IDLE, which also ends any authentication.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chip_facts.h"

namespace cardhost::sim {

using Uid = std::array<std::uint8_t, 7>;

enum class ChipState : std::uint8_t { Idle, Ready1, Ready2, Active, Authenticated, Halt };

struct ChipAnswer {
    enum class Kind : std::uint8_t { Data, Ack, Nak, Silent };
    Kind kind = Kind::Silent;
    std::uint8_t nakCode = 0;
    std::vector<std::uint8_t> data;

    static ChipAnswer Nak(std::uint8_t code) { return {Kind::Nak, code, {}}; }
    static ChipAnswer Ack() { return {Kind::Ack, 0, {}}; }
    static ChipAnswer Silence() { return {Kind::Silent, 0, {}}; }
    static ChipAnswer Bytes(std::vector<std::uint8_t> bytes) {
        return {Kind::Data, 0, std::move(bytes)};
    }
};

inline constexpr std::uint8_t kNakInvalidArgument = 0x0;
inline constexpr std::uint8_t kNakAuthLimit = 0x4;

class NtagChip {
  public:
    // A chip as it leaves the factory, with the given UID (UID0 should be 0x04).
    static NtagChip FactoryNew(ChipModel model, const Uid& uid, Layout layout);

    ChipModel model() const { return model_; }
    const ChipFacts& facts() const { return FactsOf(model_); }
    Uid uid() const;

    // ISO/IEC 14443-3 activation. The reader's wake-up resets the chip's field first, so a
    // tag answers 0x52 in any state; 0x26 (REQA) leaves a halted tag asleep.
    bool WakeUp(std::uint8_t requestCode, std::array<std::uint8_t, 2>& atqa);
    // Cascade levels 1 and 2 in one step: READY1 -> ACTIVE.
    bool AnticollisionAndSelect(Uid& uid);
    // Cascade level 1 only (classic flow): returns CT UID0 UID1 UID2.
    bool AnticollisionLevel1(std::array<std::uint8_t, 4>& uid4);
    bool SelectLevel1(const std::array<std::uint8_t, 4>& uid4, std::uint8_t& sak);

    // A tag command frame (without CRC) in ACTIVE or AUTHENTICATED state.
    ChipAnswer Command(std::span<const std::uint8_t> frame);

    // The tag left the field: power is gone, so is the activation.
    void PowerOff();

    ChipState state() const { return state_; }
    std::vector<std::uint8_t>& memory() { return memory_; }
    const std::vector<std::uint8_t>& memory() const { return memory_; }
    std::uint8_t failedAuthentications() const { return failedAuthentications_; }
    std::uint32_t nfcCounter() const { return nfcCounter_; }
    const std::array<std::uint8_t, 32>& signature() const { return signature_; }

    // Restoring a stored chip.
    NtagChip(ChipModel model, std::vector<std::uint8_t> memory);
    void RestoreCounters(std::uint8_t failedAuthentications, std::uint32_t nfcCounter,
                         const std::array<std::uint8_t, 32>& signature);
    void RestoreState(ChipState state, bool counterTouched);
    bool counterTouched() const { return counterTouched_; }
    // A chip that answers GET_VERSION with other bytes (a model the program may not know).
    void OverrideVersion(const std::array<std::uint8_t, 8>& version) { version_ = version; }
    void OverrideSignature(const std::array<std::uint8_t, 32>& signature) {
        signature_ = signature;
    }
    const std::optional<std::array<std::uint8_t, 8>>& versionOverride() const { return version_; }

  private:
    ChipAnswer GetVersion();
    ChipAnswer Read(std::uint8_t page);
    ChipAnswer FastRead(std::uint8_t first, std::uint8_t last);
    ChipAnswer Write(std::uint8_t page, std::span<const std::uint8_t> data);
    ChipAnswer PwdAuth(std::span<const std::uint8_t> password);
    ChipAnswer ReadCounter(std::uint8_t address);
    bool HasNfcCounter() const;
    ChipAnswer ReadSignature(std::uint8_t address);

    ChipAnswer Refuse(std::uint8_t code);  // NAK: back to IDLE, authentication lost
    bool HasConfiguration() const { return facts().cfg0Page.has_value(); }
    std::uint8_t Auth0() const;
    std::uint8_t Access() const;
    bool IsAuthenticated() const { return state_ == ChipState::Authenticated; }
    bool WriteNeedsAuthentication(std::uint8_t page) const;
    bool ReadsProtected() const;
    bool IsSecretPage(std::uint8_t page) const;  // PWD and PACK read as zeros
    // What a READ or FAST_READ answers for the page: its bytes, zeros for a secret page, and the
    // ASCII mirror where MIRROR_CONF, MIRROR_PAGE and MIRROR_BYTE place it.
    void AnswerPage(std::uint8_t page, std::uint8_t* out) const;
    // The ASCII the mirror shows: 14 hex digits of the UID, 6 of the counter, or both with 'x'
    // between them; empty when no mirror is set.
    std::string MirrorText() const;
    bool IsPageLocked(std::uint8_t page) const;
    void CountFirstRead();
    std::uint8_t* Page(std::uint8_t page) { return &memory_[std::size_t{page} * 4]; }
    const std::uint8_t* Page(std::uint8_t page) const { return &memory_[std::size_t{page} * 4]; }

    ChipModel model_;
    std::vector<std::uint8_t> memory_;
    ChipState state_ = ChipState::Idle;
    std::uint8_t failedAuthentications_ = 0;
    std::uint32_t nfcCounter_ = 0;
    bool counterTouched_ = false;  // the NFC counter moved in this activation
    std::array<std::uint8_t, 32> signature_{};
    std::optional<std::array<std::uint8_t, 8>> version_;
};

}  // namespace cardhost::sim
