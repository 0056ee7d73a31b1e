// SPDX-License-Identifier: MIT
// The tag engine's steps on the in-memory chip, by their values: the data area opened or refused
// and why, a message written and verified, a password set, proven and cleared, a lock taken, and
// each failure with the page and status it names and whether the password page took before it.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "tag/access_byte.h"
#include "tag/lock.h"
#include "tag/ndef_area.h"
#include "tag/password.h"
#include "tag/read_back.h"
#include "testing/chip_reader.h"

namespace tagwright::tag {
namespace {

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;
using Bytes = std::vector<std::uint8_t>;

constexpr Uid kUid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
constexpr std::uint8_t kConfig213 = 0x29, kPassword213 = 0x2B, kPack213 = 0x2C;
constexpr Key kNewKey{0x11, 0x22, 0x33, 0x44};

void ExpectFailure(const Outcome& outcome, Problem problem, std::uint16_t page = 0,
                   std::int32_t status = 0, bool passwordStands = false) {
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->problem, problem);
    EXPECT_EQ(outcome->page, page);
    EXPECT_EQ(outcome->status, status);
    EXPECT_EQ(outcome->passwordStands, passwordStands);
}

class Steps : public ::testing::Test {
  protected:
    // A new chip in the field, woken and selected, and what detection learnt of it.
    DetectedTag Fresh(ChipModel model, Layout layout = Layout::Plain) {
        reader.Place(NtagChip::FactoryNew(model, kUid, layout));
        LastProcessedUid last;
        DetectedTag tag;
        EXPECT_EQ(WakeAndSelect(link(), last, tag).outcome, DetectOutcome::Detected);
        EXPECT_EQ(IdentifyModel(link(), tag).outcome, DetectOutcome::Detected);
        return tag;
    }
    TagLink link(PageWrites* writes = nullptr) { return {table, 1, writes}; }
    Bytes Page(std::uint8_t page) {
        const auto& memory = reader.chip().memory();
        return {memory.begin() + page * 4, memory.begin() + page * 4 + 4};
    }
    void SetPage(std::uint8_t page, const Bytes& bytes) {
        std::copy(bytes.begin(), bytes.end(), reader.chip().memory().begin() + page * 4);
    }

    testing::ChipReader reader;
    const reader::ReaderApi table = reader.api();
};

TEST_F(Steps, TheDataAreaIsOpenedOrRefusedWithTheReason) {
    Fresh(ChipModel::Ntag213);
    const auto plain = OpenNdefArea(link(), kNtag213, AreaUse::Write);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->ndefOffset, 0);
    EXPECT_EQ(plain->capacity, 144);
    // Behind the Lock Control TLV of the datasheet's delivery state.
    Fresh(ChipModel::Ntag213, Layout::Datasheet);
    const auto datasheet = OpenNdefArea(link(), kNtag213, AreaUse::Write);
    ASSERT_TRUE(datasheet);
    EXPECT_EQ(datasheet->ndefOffset, 5);

    const auto refusal = [this](AreaUse use, std::optional<std::uint16_t> limit = std::nullopt) {
        const auto area = OpenNdefArea(link(), kNtag213, use, limit);
        EXPECT_FALSE(area);
        return area ? Problem::ReaderCall : area.failure().problem;
    };
    EXPECT_EQ(refusal(AreaUse::Write, 128), Problem::BufferTooSmall);
    SetPage(3, {0xE1, 0x10, 0x10, 0x00});  // an NTAG212's container
    EXPECT_EQ(refusal(AreaUse::Write), Problem::ModelUnknown);
    EXPECT_TRUE(OpenNdefArea(link(), kNtag213, AreaUse::Read));  // a Read takes it
    SetPage(3, {0xE1, 0x10, 0x12, 0x0F});
    EXPECT_EQ(refusal(AreaUse::Read), Problem::Locked);
    SetPage(3, {0x00, 0x10, 0x12, 0x00});
    EXPECT_EQ(refusal(AreaUse::Read), Problem::NotNdef);
    SetPage(3, {0xE1, 0x10, 0x12, 0x00});
    SetPage(4, {0xFE, 0x00, 0x00, 0x00});  // a terminator before any NDEF TLV
    EXPECT_EQ(refusal(AreaUse::Read), Problem::NotNdef);

    reader.Fail("TyA_NTAG_Read", CARDHOST_NO_ANSWER);
    const auto unread = OpenNdefArea(link(), kNtag213);
    ASSERT_FALSE(unread);
    EXPECT_EQ(unread.failure().problem, Problem::ReadFailed);
    EXPECT_EQ(unread.failure().page, 3);
    EXPECT_EQ(unread.failure().status, 0);  // the page line carries no status
}

TEST_F(Steps, AMessageIsWrittenAndVerifiedAndAWeakPageIsNamed) {
    Fresh(ChipModel::Ntag215);
    const Bytes image{0x03, 0x04, 0xD1, 0x01, 0x00, 0x54, 0xFE, 0x00};
    PageWrites written;
    EXPECT_FALSE(WriteMessage(link(&written), image, 7));
    EXPECT_EQ(Page(4), Bytes(image.begin(), image.begin() + 4));
    EXPECT_EQ(Page(5), Bytes(image.begin() + 4, image.end()));
    EXPECT_EQ(written.pages().size(), 2u);
    EXPECT_FALSE(VerifyWrites(link(), kNtag215, written));

    reader.Weak(5);
    PageWrites weak;
    EXPECT_FALSE(WriteMessage(link(&weak), image, 7));  // acknowledged all the same
    ExpectFailure(VerifyWrites(link(), kNtag215, weak), Problem::VerifyFailed, 5);

    reader.Fail("TyA_NTAG_Write", CARDHOST_NO_ANSWER, 2);
    ExpectFailure(WriteMessage(link(), image, 7), Problem::WriteFailed, 5);
    const auto unread = ReadMessage(link(), 40);
    ASSERT_TRUE(unread);
    EXPECT_EQ(unread->size(), 56u);  // whole blocks, and 16 bytes to spare
    reader.Fail("TyA_NTAG_Read", CARDHOST_NO_ANSWER, 2);
    const auto failed = ReadMessage(link(), 40);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.failure().page, 8);
}

TEST_F(Steps, APasswordIsSetProvenAndClearedOrSaysWhetherItStands) {
    DetectedTag tag = Fresh(ChipModel::Ntag213);
    EXPECT_FALSE(SetPassword(link(), kNtag213, kNewKey));
    EXPECT_EQ(Page(kConfig213)[3], 0x00);  // protected from page 0
    EXPECT_EQ(Page(kPassword213), Bytes(kNewKey.begin(), kNewKey.end()));
    // The PACK derived from the key: 11 XOR 33, 22 XOR 44.
    EXPECT_EQ(Page(kPack213), (Bytes{0x22, 0x66, 0x00, 0x00}));
    EXPECT_EQ(Authenticate(link(), kNewKey), AuthOutcome::Accepted);
    EXPECT_FALSE(ClearProtection(link(), tag, kNewKey));
    EXPECT_EQ(Page(kConfig213)[3], 0xFF);
    EXPECT_EQ(Page(kPassword213), Bytes(kDefaultKey.begin(), kDefaultKey.end()));
    EXPECT_EQ(Page(kPack213), (Bytes{0x00, 0x00, 0x00, 0x00}));

    // The factory PACK or the password page refused: nothing stands, and the old key opens the
    // tag as before. The new PACK or AUTH0 refused after them: the key stands, and opens it.
    Fresh(ChipModel::Ntag213);
    reader.Fail("TyA_NTAG_Write", CARDHOST_NO_ANSWER);
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::WriteFailed, kPack213);
    Fresh(ChipModel::Ntag213);
    reader.Fail("TyA_NTAG_Write", CARDHOST_NO_ANSWER, 2);
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::WriteFailed, kPassword213);
    EXPECT_EQ(Authenticate(link(), Key{0xFF, 0xFF, 0xFF, 0xFF}), AuthOutcome::Accepted);
    Fresh(ChipModel::Ntag213);
    reader.Fail("TyA_NTAG_Write", CARDHOST_NO_ANSWER, 3);
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::WriteFailed, kPack213, 0, true);
    EXPECT_EQ(Authenticate(link(), kNewKey), AuthOutcome::Accepted);
    Fresh(ChipModel::Ntag213);
    reader.Fail("TyA_NTAG_Write", CARDHOST_NO_ANSWER, 4);
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::WriteFailed, kConfig213, 0,
                  true);
    EXPECT_EQ(Authenticate(link(), kNewKey), AuthOutcome::Accepted);
    // A Clear key cut off after the factory PACK leaves the old key opening the tag.
    tag = Fresh(ChipModel::Ntag213);
    ASSERT_FALSE(SetPassword(link(), kNtag213, kNewKey));
    reader.Fail("TyA_NTAG_Write", CARDHOST_NO_ANSWER, 3);
    ExpectFailure(ClearProtection(link(), tag, kNewKey), Problem::WriteFailed, kPassword213);
    EXPECT_EQ(Authenticate(link(), kNewKey), AuthOutcome::Accepted);
    // A PACK page that kept other bytes than it acknowledged: the tag answers the key with
    // another PACK, and the key stands.
    Fresh(ChipModel::Ntag213);
    reader.Weak(kPack213, 2);  // the second write of the page: its PACK
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::WrongPack, 0, 0, true);
    // The proof refused by the tag (a NAK) is no key the tag answers to; a lost answer may be.
    Fresh(ChipModel::Ntag213);
    reader.Fail("TyA_NTAG_PwdAuth", 0x20);
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::VerifyFailed, kPassword213,
                  0x20);
    Fresh(ChipModel::Ntag213);
    reader.Fail("TyA_NTAG_PwdAuth", CARDHOST_NO_ANSWER);
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::VerifyFailed, kPassword213,
                  CARDHOST_NO_ANSWER, true);

    // Models without a known configuration page are refused before anything is written.
    const auto writes = reader.Calls("TyA_NTAG_Write");
    ExpectFailure(SetPassword(link(), kNtag203, kNewKey), Problem::NoPassword);
    ExpectFailure(SetPassword(link(), 0x12, kNewKey), Problem::Auth0Unknown);
    tag.model = kNtag203;
    ExpectFailure(ClearProtection(link(), tag, kNewKey), Problem::NoPassword);
    EXPECT_EQ(reader.Calls("TyA_NTAG_Write"), writes);
}

// Every PWD_AUTH checks the PACK: the one derived from the key, a chosen one, or the factory's of
// a tag protected before PACKs were written; any other gives a tag away that takes any key.
TEST_F(Steps, APackIsChosenOrDerivedAndAnyOtherGivesTheTagAway) {
    EXPECT_EQ(DerivedPack(kDefaultKey), kFactoryPack);
    EXPECT_EQ(DerivedPack(Key{0x0A, 0x0B, 0x0C, 0x0D}), (Pack{0x06, 0x06}));

    Fresh(ChipModel::Ntag215);
    const Pack chosen{0xAB, 0xCD};
    TagLink withChosen = link();
    withChosen.pack = &chosen;
    EXPECT_FALSE(SetPassword(withChosen, kNtag215, kNewKey));
    EXPECT_EQ(Page(0x86), (Bytes{0xAB, 0xCD, 0x00, 0x00}));
    EXPECT_EQ(Authenticate(withChosen, kNewKey), AuthOutcome::Accepted);
    EXPECT_EQ(Authenticate(link(), kNewKey), AuthOutcome::WrongPack);
    // The factory PACK is taken with any key; a wrong key is refused whatever the PACK.
    SetPage(0x86, {0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(Authenticate(link(), kNewKey), AuthOutcome::Accepted);
    EXPECT_EQ(Authenticate(link(), kDefaultKey), AuthOutcome::Refused);
}

// PROT: set before AUTH0 with the other ACCESS bits kept, so that the tag answers no READ
// without the key; a password for writes only clears it again, and so does Clear key.
TEST_F(Steps, ReadProtectionIsSetBeforeAuth0AndClearedAgain) {
    DetectedTag tag = Fresh(ChipModel::Ntag213);
    SetPage(0x2A, {0x13, 0x05, 0x00, 0x00});  // the NFC counter on, AUTHLIM 3
    ASSERT_FALSE(SetPassword(link(), kNtag213, kNewKey, Protection::ReadsAndWrites));
    EXPECT_EQ(Page(0x2A), (Bytes{0x93, 0x05, 0x00, 0x00}));  // PROT is bit 7
    EXPECT_EQ(Page(kConfig213), (Bytes{0x04, 0x00, 0x00, 0x00}));
    // In a new activation the tag refuses every READ, page 0 too, until the key is given.
    const auto again = [this] {
        reader.chip().PowerOff();
        LastProcessedUid last;
        DetectedTag woken;
        ASSERT_EQ(WakeAndSelect(link(), last, woken).outcome, DetectOutcome::Detected);
    };
    again();
    Block block{};
    EXPECT_EQ(ReadBlock(link(), 0, block), CARDHOST_NAK_BASE);
    again();
    ASSERT_EQ(Authenticate(link(), kNewKey), AuthOutcome::Accepted);
    EXPECT_EQ(ReadBlock(link(), 0, block), 0);

    // Written again for writes only, PROT goes; a password already so writes no ACCESS page.
    ASSERT_FALSE(SetPassword(link(), kNtag213, kNewKey));
    EXPECT_EQ(Page(0x2A), (Bytes{0x13, 0x05, 0x00, 0x00}));
    const auto accessWrites = [this] { return reader.Calls("TyA_NTAG_Write"); };
    const auto before = accessWrites();
    ASSERT_FALSE(SetPassword(link(), kNtag213, kNewKey));
    EXPECT_EQ(accessWrites(), before + 3);  // PACK, password, PACK: AUTH0 is 0 already
    ASSERT_FALSE(SetPassword(link(), kNtag213, kNewKey, Protection::ReadsAndWrites));
    ASSERT_FALSE(ClearProtection(link(), tag, kNewKey));
    EXPECT_EQ(Page(0x2A), (Bytes{0x13, 0x05, 0x00, 0x00}));
    EXPECT_EQ(Page(kConfig213)[3], 0xFF);
}

TEST_F(Steps, ALockTakesItsBytesAndReadsThemBack) {
    Fresh(ChipModel::Ntag213);
    EXPECT_FALSE(LockTag(link(), kNtag213));
    const Bytes staticLock = Page(2);
    EXPECT_EQ(Bytes(staticLock.begin() + 2, staticLock.end()), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(Page(0x28), (Bytes{0xFF, 0xFF, 0xFF, 0xBD}));

    Fresh(ChipModel::Ntag213);
    reader.Weak(2);
    ExpectFailure(LockTag(link(), kNtag213), Problem::VerifyFailed, 2);
    ExpectFailure(LockTag(link(), 0x12), Problem::DynamicLockUnknown);
}

TEST_F(Steps, TheAttemptLimitReplacesItsBitsAndThenRefusesEveryKey) {
    Fresh(ChipModel::Ntag213);
    SetPage(0x2A, {0x15, 0x05, 0x00, 0x00});  // the NFC counter on, AUTHLIM 5
    ASSERT_FALSE(SetPassword(link(), kNtag213, kNewKey));
    ASSERT_FALSE(SetAttemptLimit(link(), kNtag213, 2));
    EXPECT_EQ(Page(0x2A), (Bytes{0x12, 0x05, 0x00, 0x00}));
    // The same chip in a new activation after each refusal, which leaves it idle.
    const auto again = [this] {
        reader.chip().PowerOff();
        LastProcessedUid last;
        DetectedTag tag;
        ASSERT_EQ(WakeAndSelect(link(), last, tag).outcome, DetectOutcome::Detected);
    };
    const Key wrong{0, 0, 0, 0};
    for (int attempt = 0; attempt < 2; ++attempt) {
        again();
        EXPECT_EQ(PwdAuth(link(), wrong), CARDHOST_NAK_BASE);
    }
    again();
    EXPECT_EQ(PwdAuth(link(), kNewKey), CARDHOST_NAK_BASE | 0x4);  // for good, the right key too
}

TEST_F(Steps, TheConfigurationLockKeepsTheOtherAccessBitsAndHoldsForGood) {
    Fresh(ChipModel::Ntag213);
    SetPage(0x2A, {0x13, 0x05, 0x00, 0x00});  // the NFC counter on, AUTHLIM 3
    ASSERT_FALSE(LockConfiguration(link(), kNtag213));
    EXPECT_EQ(Page(0x2A), (Bytes{0x53, 0x05, 0x00, 0x00}));  // CFGLCK is bit 6
    // AUTH0 can no longer be set; the password page still can.
    ExpectFailure(SetPassword(link(), kNtag213, kNewKey), Problem::WriteFailed, kConfig213, 0,
                  true);
    EXPECT_EQ(Page(kConfig213), (Bytes{0x04, 0x00, 0x00, 0xFF}));
    // A tag protected before its configuration was locked takes the password again (a resumed
    // run that had gone that far): AUTH0 is left as it is.
    Fresh(ChipModel::Ntag213);
    ASSERT_FALSE(SetPassword(link(), kNtag213, kNewKey));
    ASSERT_FALSE(LockConfiguration(link(), kNtag213));
    EXPECT_FALSE(SetPassword(link(), kNtag213, kNewKey));
    EXPECT_EQ(Page(kConfig213)[3], 0x00);

    const DetectedTag old = Fresh(ChipModel::Ntag203);
    ExpectFailure(LockConfiguration(link(), old.model), Problem::NoPassword);
}

}  // namespace
}  // namespace tagwright::tag
