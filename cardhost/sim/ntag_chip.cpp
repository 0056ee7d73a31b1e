// SPDX-License-Identifier: MIT
#include "ntag_chip.h"

#include "test_signature.h"

#include <algorithm>
#include <cstdio>

namespace cardhost::sim {
namespace {

constexpr std::uint8_t kCmdGetVersion = 0x60;
constexpr std::uint8_t kCmdRead = 0x30;
constexpr std::uint8_t kCmdFastRead = 0x3A;
constexpr std::uint8_t kCmdWrite = 0xA2;
constexpr std::uint8_t kCmdCompWrite = 0xA0;
constexpr std::uint8_t kCmdReadCnt = 0x39;
constexpr std::uint8_t kCmdPwdAuth = 0x1B;
constexpr std::uint8_t kCmdReadSig = 0x3C;
constexpr std::uint8_t kCmdHalt = 0x50;

constexpr std::uint8_t kAccessProt = 0x80;
constexpr std::uint8_t kAccessCfgLock = 0x40;
constexpr std::uint8_t kAccessCounterEnable = 0x10;
constexpr std::uint8_t kAccessCounterProtect = 0x08;
constexpr std::uint8_t kAccessAuthLimit = 0x07;

std::uint8_t Bit(std::uint8_t byte, int bit) {
    return static_cast<std::uint8_t>((byte >> bit) & 1);
}

}  // namespace

NtagChip::NtagChip(ChipModel model, std::vector<std::uint8_t> memory)
    : model_(model), memory_(std::move(memory)) {
    memory_.resize(std::size_t{FactsOf(model).lastPage + 1u} * 4, 0);
}

NtagChip NtagChip::FactoryNew(ChipModel model, const Uid& uid, Layout layout) {
    const ChipFacts& f = FactsOf(model);
    NtagChip chip(model, {});
    std::uint8_t* m = chip.memory_.data();
    m[0] = uid[0];
    m[1] = uid[1];
    m[2] = uid[2];
    m[3] = static_cast<std::uint8_t>(0x88 ^ uid[0] ^ uid[1] ^ uid[2]);
    std::copy(uid.begin() + 3, uid.end(), m + 4);
    m[8] = static_cast<std::uint8_t>(uid[3] ^ uid[4] ^ uid[5] ^ uid[6]);
    m[9] = 0x48;
    m[12] = 0xE1;
    m[13] = 0x10;
    m[14] = f.ccSizeByte;
    m[15] = 0x00;
    if (layout == Layout::Datasheet) {
        std::copy(f.datasheetPages4And5.begin(), f.datasheetPages4And5.end(), m + 16);
    } else {
        m[16] = 0x03;
        m[17] = 0x00;
        m[18] = 0xFE;
    }
    if (f.cfg0Page) {
        if (f.dynamicLockPage) chip.Page(*f.dynamicLockPage)[3] = 0xBD;
        std::uint8_t* cfg0 = chip.Page(*f.cfg0Page);
        cfg0[0] = 0x04;
        cfg0[3] = 0xFF;
        chip.Page(static_cast<std::uint8_t>(*f.cfg0Page + 1))[1] = 0x05;
        std::fill_n(chip.Page(static_cast<std::uint8_t>(*f.cfg0Page + 2)), 4, 0xFF);
    }
    // Signed as at the factory, with the simulator's test key in place of the maker's.
    chip.signature_ = SignWithTestKey(uid);
    return chip;
}

Uid NtagChip::uid() const {
    return {memory_[0], memory_[1], memory_[2], memory_[4], memory_[5], memory_[6], memory_[7]};
}

void NtagChip::RestoreCounters(std::uint8_t failedAuthentications, std::uint32_t nfcCounter,
                               const std::array<std::uint8_t, 32>& signature) {
    failedAuthentications_ = failedAuthentications;
    nfcCounter_ = nfcCounter & 0xFFFFFF;
    signature_ = signature;
}

void NtagChip::RestoreState(ChipState state, bool counterTouched) {
    state_ = state;
    counterTouched_ = counterTouched;
}

void NtagChip::PowerOff() {
    state_ = ChipState::Idle;
    counterTouched_ = false;
}

bool NtagChip::WakeUp(std::uint8_t requestCode, std::array<std::uint8_t, 2>& atqa) {
    if (requestCode == 0x26 && state_ == ChipState::Halt) return false;
    state_ = ChipState::Ready1;
    counterTouched_ = false;
    atqa = {0x44, 0x00};
    return true;
}

bool NtagChip::AnticollisionAndSelect(Uid& uid) {
    if (state_ != ChipState::Ready1 && state_ != ChipState::Ready2) return false;
    uid = this->uid();
    state_ = ChipState::Active;
    return true;
}

bool NtagChip::AnticollisionLevel1(std::array<std::uint8_t, 4>& uid4) {
    if (state_ != ChipState::Ready1) return false;
    uid4 = {0x88, memory_[0], memory_[1], memory_[2]};
    return true;
}

bool NtagChip::SelectLevel1(const std::array<std::uint8_t, 4>& uid4, std::uint8_t& sak) {
    if (state_ != ChipState::Ready1) return false;
    if (uid4 != std::array<std::uint8_t, 4>{0x88, memory_[0], memory_[1], memory_[2]}) {
        return false;
    }
    state_ = ChipState::Ready2;
    sak = 0x04;  // UID not complete: cascade level 2 follows
    return true;
}

ChipAnswer NtagChip::Refuse(std::uint8_t code) {
    state_ = ChipState::Idle;
    return ChipAnswer::Nak(code);
}

std::uint8_t NtagChip::Auth0() const {
    return HasConfiguration() ? Page(*facts().cfg0Page)[3] : 0xFF;
}

std::uint8_t NtagChip::Access() const {
    return HasConfiguration() ? Page(static_cast<std::uint8_t>(*facts().cfg0Page + 1))[0] : 0;
}

bool NtagChip::WriteNeedsAuthentication(std::uint8_t page) const {
    return HasConfiguration() && Auth0() <= facts().lastPage && page >= Auth0();
}

bool NtagChip::ReadsProtected() const {
    return HasConfiguration() && (Access() & kAccessProt) && Auth0() <= facts().lastPage &&
           !IsAuthenticated();
}

bool NtagChip::IsSecretPage(std::uint8_t page) const {
    if (!HasConfiguration()) return false;
    const int pwd = *facts().cfg0Page + 2;
    return page == pwd || page == pwd + 1;
}

bool NtagChip::IsPageLocked(std::uint8_t page) const {
    const ChipFacts& f = facts();
    const std::uint8_t lock0 = memory_[10];
    const std::uint8_t lock1 = memory_[11];
    if (page == 3) return Bit(lock0, 3);
    if (page >= 4 && page <= 7) return Bit(lock0, 4 + (page - 4));
    if (page >= 8 && page <= 15) return Bit(lock1, page - 8);
    if (page >= 16 && page <= f.lastUserPage && f.dynamicLockPage) {
        const std::uint8_t* dyn = Page(*f.dynamicLockPage);
        const int bit = (page - 16) / f.pagesPerDynamicLockBit;
        if (bit >= 16) return false;
        return Bit(dyn[bit / 8], bit % 8);
    }
    return false;
}

ChipAnswer NtagChip::Command(std::span<const std::uint8_t> frame) {
    if (state_ != ChipState::Active && state_ != ChipState::Authenticated) {
        return ChipAnswer::Silence();
    }
    if (frame.empty()) return Refuse(kNakInvalidArgument);
    const std::uint8_t opcode = frame[0];
    const auto args = frame.subspan(1);
    const bool ntag21x = HasConfiguration();
    switch (opcode) {
        case kCmdGetVersion:
            if ((!ntag21x && !version_) || !args.empty()) break;
            return GetVersion();
        case kCmdRead:
            if (args.size() != 1) break;
            return Read(args[0]);
        case kCmdFastRead:
            if (!ntag21x || args.size() != 2) break;
            return FastRead(args[0], args[1]);
        case kCmdWrite:
            if (args.size() != 5) break;
            return Write(args[0], args.subspan(1));
        case kCmdCompWrite:
            // The two-step compatibility write, folded into one frame: address, 16 bytes, of
            // which the first 4 are written.
            if (args.size() != 17) break;
            return Write(args[0], args.subspan(1, 4));
        case kCmdPwdAuth:
            if (!ntag21x || args.size() != 4) break;
            return PwdAuth(args);
        case kCmdReadCnt:
            if (!HasNfcCounter() || args.size() != 1) break;
            return ReadCounter(args[0]);
        case kCmdReadSig:
            if (!ntag21x || args.size() != 1) break;
            return ReadSignature(args[0]);
        case kCmdHalt:
            if (args.size() != 1 || args[0] != 0x00) break;
            state_ = ChipState::Halt;
            return ChipAnswer::Silence();
        default:
            break;
    }
    return Refuse(kNakInvalidArgument);
}

ChipAnswer NtagChip::GetVersion() {
    const auto& version = version_ ? version_ : facts().version;
    return ChipAnswer::Bytes({version->begin(), version->end()});
}

bool NtagChip::HasNfcCounter() const {
    // NTAG210 and NTAG212 have no counter: bit 4 of their ACCESS byte is reserved.
    return model_ == ChipModel::Ntag213 || model_ == ChipModel::Ntag215 ||
           model_ == ChipModel::Ntag216;
}

void NtagChip::CountFirstRead() {
    if (!HasNfcCounter() || counterTouched_ || !(Access() & kAccessCounterEnable)) return;
    // At FF FF FF the counter stays.
    if (nfcCounter_ < 0xFFFFFF) ++nfcCounter_;
    counterTouched_ = true;
}

ChipAnswer NtagChip::Read(std::uint8_t page) {
    const ChipFacts& f = facts();
    if (page > f.lastPage) return Refuse(kNakInvalidArgument);
    int end = f.lastPage + 1;  // reads roll over to page 0 here
    if (ReadsProtected()) {
        if (page >= Auth0()) return Refuse(kNakInvalidArgument);
        end = Auth0();
    }
    CountFirstRead();
    std::vector<std::uint8_t> out(16, 0);
    for (int i = 0; i < 4; ++i) {
        AnswerPage(static_cast<std::uint8_t>((page + i) % end), out.data() + i * 4);
    }
    return ChipAnswer::Bytes(std::move(out));
}

ChipAnswer NtagChip::FastRead(std::uint8_t first, std::uint8_t last) {
    const ChipFacts& f = facts();
    if (first > last || last > f.lastPage) return Refuse(kNakInvalidArgument);
    if (ReadsProtected() && last >= Auth0()) return Refuse(kNakInvalidArgument);
    CountFirstRead();
    std::vector<std::uint8_t> out(std::size_t(last - first + 1) * 4, 0);
    for (int p = first; p <= last; ++p) {
        AnswerPage(static_cast<std::uint8_t>(p), out.data() + std::size_t(p - first) * 4);
    }
    return ChipAnswer::Bytes(std::move(out));
}

std::string NtagChip::MirrorText() const {
    if (!facts().cfg0Page) return {};
    const std::uint8_t* cfg0 = Page(*facts().cfg0Page);
    // NTAG213, NTAG215 and NTAG216 mirror what MIRROR_CONF names; NTAG210 and NTAG212 have no
    // MIRROR_CONF and mirror their UID wherever MIRROR_PAGE points into the user pages.
    const int conf = HasNfcCounter() ? cfg0[0] >> 6 : 1;
    if (conf == 0 || cfg0[2] < 4) return {};
    char digits[22];
    const Uid id = uid();
    std::string uidText, counterText;
    for (const std::uint8_t byte : id) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        uidText += digits;
    }
    std::snprintf(digits, sizeof digits, "%06X", static_cast<unsigned>(nfcCounter_ & 0xFFFFFF));
    counterText = digits;
    if (conf == 1) return uidText;
    if (conf == 2) return counterText;
    return uidText + 'x' + counterText;
}

void NtagChip::AnswerPage(std::uint8_t page, std::uint8_t* out) const {
    if (IsSecretPage(page)) {
        std::fill_n(out, 4, std::uint8_t{0});
        return;
    }
    std::copy_n(Page(page), 4, out);
    const std::string mirror = MirrorText();
    if (mirror.empty()) return;
    const std::uint8_t* cfg0 = Page(*facts().cfg0Page);
    const int start = cfg0[2] * 4 + ((cfg0[0] >> 4) & 0x03);
    // A mirror that would run past the user pages mirrors nothing.
    if (start + static_cast<int>(mirror.size()) > (facts().lastUserPage + 1) * 4) return;
    for (int i = 0; i < 4; ++i) {
        const int at = page * 4 + i - start;
        if (at >= 0 && at < static_cast<int>(mirror.size())) {
            out[i] = static_cast<std::uint8_t>(mirror[static_cast<std::size_t>(at)]);
        }
    }
}

ChipAnswer NtagChip::Write(std::uint8_t page, std::span<const std::uint8_t> data) {
    const ChipFacts& f = facts();
    if (page < 2 || page > f.lastPage) return Refuse(kNakInvalidArgument);
    if (WriteNeedsAuthentication(page) && !IsAuthenticated()) return Refuse(kNakInvalidArgument);
    std::uint8_t* target = Page(page);
    if (page == 2) {
        // Static lock bytes are one-time programmable; block-lock bits freeze groups of them.
        const std::uint8_t lock0 = target[2];
        const std::uint8_t lock1 = target[3];
        std::uint8_t mask0 = 0x07;
        if (!Bit(lock0, 0)) mask0 |= 0x08;
        if (!Bit(lock0, 1)) mask0 |= 0xF0;
        std::uint8_t mask1 = 0x00;
        if (!Bit(lock0, 1)) mask1 |= 0x03;
        if (!Bit(lock0, 2)) mask1 |= 0xFC;
        target[2] = static_cast<std::uint8_t>(lock0 | (data[2] & mask0));
        target[3] = static_cast<std::uint8_t>(lock1 | (data[3] & mask1));
        return ChipAnswer::Ack();
    }
    if (page == 3) {
        if (IsPageLocked(3)) return Refuse(kNakInvalidArgument);
        for (int i = 0; i < 4; ++i)
            target[i] = static_cast<std::uint8_t>(target[i] | data[i]);
        return ChipAnswer::Ack();
    }
    if (page <= f.lastUserPage) {
        if (IsPageLocked(page)) return Refuse(kNakInvalidArgument);
        std::copy(data.begin(), data.end(), target);
        return ChipAnswer::Ack();
    }
    if (f.dynamicLockPage && page == *f.dynamicLockPage) {
        const int lockBytes = HasConfiguration() ? 3 : 2;
        for (int i = 0; i < lockBytes; ++i) {
            target[i] = static_cast<std::uint8_t>(target[i] | data[i]);
        }
        return ChipAnswer::Ack();
    }
    if (HasConfiguration()) {
        const int cfg0 = *f.cfg0Page;
        if ((page == cfg0 || page == cfg0 + 1) && (Access() & kAccessCfgLock)) {
            return Refuse(kNakInvalidArgument);
        }
        std::copy(data.begin(), data.end(), target);
        return ChipAnswer::Ack();
    }
    return Refuse(kNakInvalidArgument);  // NTAG203 page 0x29: the counter is not writable here
}

ChipAnswer NtagChip::PwdAuth(std::span<const std::uint8_t> password) {
    const int pwdPage = *facts().cfg0Page + 2;
    const std::uint8_t limit = Access() & kAccessAuthLimit;
    if (limit > 0 && failedAuthentications_ >= limit) return Refuse(kNakAuthLimit);
    if (!std::equal(password.begin(), password.end(), Page(static_cast<std::uint8_t>(pwdPage)))) {
        if (failedAuthentications_ < 0xFF) ++failedAuthentications_;
        return Refuse(kNakInvalidArgument);
    }
    failedAuthentications_ = 0;
    state_ = ChipState::Authenticated;
    const std::uint8_t* pack = Page(static_cast<std::uint8_t>(pwdPage + 1));
    return ChipAnswer::Bytes({pack[0], pack[1]});
}

ChipAnswer NtagChip::ReadCounter(std::uint8_t address) {
    if (address != 0x02 || !(Access() & kAccessCounterEnable)) return Refuse(kNakInvalidArgument);
    if ((Access() & kAccessCounterProtect) && !IsAuthenticated()) {
        return Refuse(kNakInvalidArgument);
    }
    return ChipAnswer::Bytes({static_cast<std::uint8_t>(nfcCounter_ & 0xFF),
                              static_cast<std::uint8_t>((nfcCounter_ >> 8) & 0xFF),
                              static_cast<std::uint8_t>((nfcCounter_ >> 16) & 0xFF)});
}

ChipAnswer NtagChip::ReadSignature(std::uint8_t address) {
    if (address != 0x00) return Refuse(kNakInvalidArgument);
    return ChipAnswer::Bytes({signature_.begin(), signature_.end()});
}

}  // namespace cardhost::sim
