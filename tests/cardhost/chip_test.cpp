// SPDX-License-Identifier: MIT
// The simulated chip against the NTAG21x/NTAG203 facts sheet.
#include <gtest/gtest.h>

#include "cardhost/sim/ntag_chip.h"

namespace cardhost::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr Uid kUid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};

NtagChip Activated(ChipModel model, Layout layout = Layout::Datasheet) {
    NtagChip chip = NtagChip::FactoryNew(model, kUid, layout);
    std::array<std::uint8_t, 2> atqa{};
    EXPECT_TRUE(chip.WakeUp(0x52, atqa));
    Uid uid{};
    EXPECT_TRUE(chip.AnticollisionAndSelect(uid));
    return chip;
}

void Reactivate(NtagChip& chip) {
    std::array<std::uint8_t, 2> atqa{};
    ASSERT_TRUE(chip.WakeUp(0x52, atqa));
    Uid uid{};
    ASSERT_TRUE(chip.AnticollisionAndSelect(uid));
}

ChipAnswer Send(NtagChip& chip, Bytes frame) {
    return chip.Command(frame);
}

Bytes Read(NtagChip& chip, std::uint8_t page) {
    ChipAnswer answer = Send(chip, {0x30, page});
    EXPECT_EQ(answer.kind, ChipAnswer::Kind::Data) << "READ " << +page;
    return answer.data;
}

ChipAnswer Write(NtagChip& chip, std::uint8_t page, Bytes data) {
    Bytes frame{0xA2, page};
    frame.insert(frame.end(), data.begin(), data.end());
    return Send(chip, frame);
}

bool IsNak(const ChipAnswer& answer, std::uint8_t code = 0) {
    return answer.kind == ChipAnswer::Kind::Nak && answer.nakCode == code;
}

Bytes Page(const NtagChip& chip, int page) {
    return {chip.memory().begin() + page * 4, chip.memory().begin() + page * 4 + 4};
}

TEST(Chip, FactoryMemoryMatchesTheFactsSheet) {
    struct Case {
        ChipModel model;
        std::size_t pages;
        Bytes cc, page4, page5;
    };
    const Case cases[] = {
        {ChipModel::Ntag203, 42, {0xE1, 0x10, 0x12, 0}, {1, 3, 0xA0, 0x10}, {0x44, 3, 0, 0xFE}},
        {ChipModel::Ntag210, 20, {0xE1, 0x10, 0x06, 0}, {3, 0, 0xFE, 0}, {0, 0, 0, 0}},
        {ChipModel::Ntag212, 41, {0xE1, 0x10, 0x10, 0}, {1, 3, 0x90, 0x0A}, {0x34, 3, 0, 0xFE}},
        {ChipModel::Ntag213, 45, {0xE1, 0x10, 0x12, 0}, {1, 3, 0xA0, 0x0C}, {0x34, 3, 0, 0xFE}},
        {ChipModel::Ntag215, 135, {0xE1, 0x10, 0x3E, 0}, {3, 0, 0xFE, 0}, {0, 0, 0, 0}},
        {ChipModel::Ntag216, 231, {0xE1, 0x10, 0x6D, 0}, {3, 0, 0xFE, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const NtagChip chip = NtagChip::FactoryNew(c.model, kUid, Layout::Datasheet);
        SCOPED_TRACE(std::string(chip.facts().name));
        ASSERT_EQ(chip.memory().size(), c.pages * 4);
        // BCC0 = 0x88 ^ 04 ^ 11 ^ 22, BCC1 = 33 ^ 44 ^ 55 ^ 66.
        EXPECT_EQ(Page(chip, 0), (Bytes{0x04, 0x11, 0x22, 0x88 ^ 0x04 ^ 0x11 ^ 0x22}));
        EXPECT_EQ(Page(chip, 1), (Bytes{0x33, 0x44, 0x55, 0x66}));
        EXPECT_EQ(Page(chip, 2), (Bytes{0x33 ^ 0x44 ^ 0x55 ^ 0x66, 0x48, 0, 0}));
        EXPECT_EQ(Page(chip, 3), c.cc);
        EXPECT_EQ(Page(chip, 4), c.page4);
        EXPECT_EQ(Page(chip, 5), c.page5);
        const auto& f = chip.facts();
        if (f.cfg0Page) {
            if (f.dynamicLockPage) {
                EXPECT_EQ(Page(chip, *f.dynamicLockPage), (Bytes{0, 0, 0, 0xBD}));
            }
            EXPECT_EQ(Page(chip, *f.cfg0Page), (Bytes{0x04, 0, 0, 0xFF}));
            EXPECT_EQ(Page(chip, *f.cfg0Page + 1), (Bytes{0, 0x05, 0, 0}));
            EXPECT_EQ(Page(chip, *f.cfg0Page + 2), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
            EXPECT_EQ(Page(chip, *f.cfg0Page + 3), (Bytes{0, 0, 0, 0}));
        }
        EXPECT_EQ(Page(NtagChip::FactoryNew(c.model, kUid, Layout::Plain), 4),
                  (Bytes{0x03, 0x00, 0xFE, 0x00}));
    }
}

TEST(Chip, ActivationFollowsTheStateMachine) {
    NtagChip chip = NtagChip::FactoryNew(ChipModel::Ntag213, kUid, Layout::Plain);
    // Commands before selection are not answered.
    EXPECT_EQ(Send(chip, {0x30, 0x04}).kind, ChipAnswer::Kind::Silent);
    Uid uid{};
    EXPECT_FALSE(chip.AnticollisionAndSelect(uid));

    std::array<std::uint8_t, 2> atqa{};
    ASSERT_TRUE(chip.WakeUp(0x52, atqa));
    EXPECT_EQ(atqa, (std::array<std::uint8_t, 2>{0x44, 0x00}));
    EXPECT_EQ(chip.state(), ChipState::Ready1);
    ASSERT_TRUE(chip.AnticollisionAndSelect(uid));
    EXPECT_EQ(uid, kUid);
    EXPECT_EQ(chip.state(), ChipState::Active);

    // HLTA: only WUPA wakes it again.
    EXPECT_EQ(Send(chip, {0x50, 0x00}).kind, ChipAnswer::Kind::Silent);
    EXPECT_EQ(chip.state(), ChipState::Halt);
    EXPECT_FALSE(chip.WakeUp(0x26, atqa));
    EXPECT_TRUE(chip.WakeUp(0x52, atqa));
}

TEST(Chip, GetVersionPerModelAndNtag203Refuses) {
    const std::pair<ChipModel, std::uint8_t> storageBytes[] = {{ChipModel::Ntag210, 0x0B},
                                                               {ChipModel::Ntag212, 0x0E},
                                                               {ChipModel::Ntag213, 0x0F},
                                                               {ChipModel::Ntag215, 0x11},
                                                               {ChipModel::Ntag216, 0x13}};
    for (const auto& [model, storage] : storageBytes) {
        NtagChip chip = Activated(model);
        const ChipAnswer answer = Send(chip, {0x60});
        ASSERT_EQ(answer.kind, ChipAnswer::Kind::Data);
        const std::uint8_t productSubtype =
            model == ChipModel::Ntag210 || model == ChipModel::Ntag212 ? 1 : 2;
        EXPECT_EQ(answer.data,
                  (Bytes{0x00, 0x04, 0x04, productSubtype, 0x01, 0x00, storage, 0x03}));
    }
    NtagChip old = Activated(ChipModel::Ntag203);
    EXPECT_TRUE(IsNak(Send(old, {0x60})));
    EXPECT_EQ(old.state(), ChipState::Idle);
}

TEST(Chip, ReadRollsOverAndHidesThePassword) {
    NtagChip chip = Activated(ChipModel::Ntag213);
    EXPECT_EQ(Read(chip, 0x03), (Bytes{0xE1, 0x10, 0x12, 0x00, 0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03,
                                       0x00, 0xFE, 0, 0, 0, 0}));
    // 2A 2B 2C then page 0; PWD (2B) and PACK (2C) read as zeros.
    EXPECT_EQ(Read(chip, 0x2A), (Bytes{0, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x04, 0x11, 0x22,
                                       0x88 ^ 0x04 ^ 0x11 ^ 0x22}));
    EXPECT_TRUE(IsNak(Send(chip, {0x30, 0x2D})));
    EXPECT_EQ(chip.state(), ChipState::Idle);
}

TEST(Chip, WriteRulesForFixedPagesAndOneTimeProgrammableBytes) {
    NtagChip chip = Activated(ChipModel::Ntag213, Layout::Plain);
    EXPECT_TRUE(IsNak(Write(chip, 0, {1, 2, 3, 4})));
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Write(chip, 1, {1, 2, 3, 4})));
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Write(chip, 0x2D, {1, 2, 3, 4})));
    Reactivate(chip);

    // Page 2: bytes 0-1 ignored, lock bytes ORed.
    const Bytes page2 = Page(chip, 2);
    EXPECT_EQ(Write(chip, 2, {0xAA, 0xBB, 0x10, 0x01}).kind, ChipAnswer::Kind::Ack);
    EXPECT_EQ(Write(chip, 2, {0x00, 0x00, 0x20, 0x00}).kind, ChipAnswer::Kind::Ack);
    EXPECT_EQ(Page(chip, 2), (Bytes{page2[0], page2[1], 0x30, 0x01}));

    // CC: bits are ORed; writing zeros over ones is no error.
    EXPECT_EQ(Write(chip, 3, {0x00, 0x00, 0x00, 0x0F}).kind, ChipAnswer::Kind::Ack);
    EXPECT_EQ(Page(chip, 3), (Bytes{0xE1, 0x10, 0x12, 0x0F}));

    // Lock bits 4 and 5 of byte 0 locked pages 4 and 5; bit 0 of byte 1 page 8.
    EXPECT_TRUE(IsNak(Write(chip, 5, {1, 2, 3, 4})));
    Reactivate(chip);
    EXPECT_EQ(Write(chip, 6, {1, 2, 3, 4}).kind, ChipAnswer::Kind::Ack);
    EXPECT_TRUE(IsNak(Write(chip, 8, {1, 2, 3, 4})));
}

TEST(Chip, BlockLockBitsFreezeTheirLockBits) {
    NtagChip chip = Activated(ChipModel::Ntag213, Layout::Plain);
    // Block-lock bit 1 freezes the lock bits of pages 4-9.
    ASSERT_EQ(Write(chip, 2, {0, 0, 0x02, 0x00}).kind, ChipAnswer::Kind::Ack);
    ASSERT_EQ(Write(chip, 2, {0, 0, 0xF0, 0x03}).kind, ChipAnswer::Kind::Ack);
    EXPECT_EQ(Page(chip, 2)[2], 0x02);
    EXPECT_EQ(Page(chip, 2)[3], 0x00);
    EXPECT_EQ(Write(chip, 4, {1, 2, 3, 4}).kind, ChipAnswer::Kind::Ack);
}

TEST(Chip, FullLockLeavesNoUserPageWritable) {
    for (ChipModel model : {ChipModel::Ntag203, ChipModel::Ntag212, ChipModel::Ntag213,
                            ChipModel::Ntag215, ChipModel::Ntag216}) {
        NtagChip chip = Activated(model, Layout::Plain);
        const ChipFacts& f = chip.facts();
        SCOPED_TRACE(std::string(f.name));
        ASSERT_EQ(Write(chip, *f.dynamicLockPage, {0xFF, 0xFF, 0xFF, 0x00}).kind,
                  ChipAnswer::Kind::Ack);
        ASSERT_EQ(Write(chip, 2, {0, 0, 0xFF, 0xFF}).kind, ChipAnswer::Kind::Ack);
        for (int page = 3; page <= f.lastUserPage; ++page) {
            EXPECT_TRUE(IsNak(Write(chip, static_cast<std::uint8_t>(page), {1, 2, 3, 4})))
                << "page " << page;
            Reactivate(chip);
        }
        // Byte 3 of the dynamic lock page is not a lock byte.
        EXPECT_EQ(Page(chip, *f.dynamicLockPage)[3], f.cfg0Page ? 0xBD : 0x00);
    }
}

TEST(Chip, Ntag213DynamicLockBitsCoverTwoPagesEach) {
    NtagChip chip = Activated(ChipModel::Ntag213, Layout::Plain);
    ASSERT_EQ(Write(chip, 0x28, {0x01, 0x00, 0x00, 0x00}).kind, ChipAnswer::Kind::Ack);
    EXPECT_TRUE(IsNak(Write(chip, 16, {1, 2, 3, 4})));
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Write(chip, 17, {1, 2, 3, 4})));
    Reactivate(chip);
    EXPECT_EQ(Write(chip, 18, {1, 2, 3, 4}).kind, ChipAnswer::Kind::Ack);
}

TEST(Chip, Auth0ProtectsWritesAndPasswordUnlocksThem) {
    NtagChip chip = Activated(ChipModel::Ntag213, Layout::Plain);
    // AUTH0 takes effect at once: the password write that follows needs authentication.
    ASSERT_EQ(Write(chip, 0x29, {0x04, 0x00, 0x00, 0x10}).kind, ChipAnswer::Kind::Ack);
    EXPECT_EQ(Write(chip, 0x0F, {1, 2, 3, 4}).kind, ChipAnswer::Kind::Ack);
    EXPECT_TRUE(IsNak(Write(chip, 0x10, {1, 2, 3, 4})));
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Write(chip, 0x2B, {1, 2, 3, 4})));
    Reactivate(chip);
    // Reads stay open while PROT is 0.
    EXPECT_EQ(Send(chip, {0x30, 0x10}).kind, ChipAnswer::Kind::Data);

    // Factory password FF FF FF FF; PACK 00 00.
    const ChipAnswer wrong = Send(chip, {0x1B, 0x7C, 0x7C, 0x7C, 0x7C});
    EXPECT_TRUE(IsNak(wrong));
    EXPECT_EQ(chip.state(), ChipState::Idle);
    Reactivate(chip);
    const ChipAnswer right = Send(chip, {0x1B, 0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_EQ(right.kind, ChipAnswer::Kind::Data);
    EXPECT_EQ(right.data, (Bytes{0x00, 0x00}));
    EXPECT_EQ(chip.state(), ChipState::Authenticated);
    EXPECT_EQ(Write(chip, 0x10, {1, 2, 3, 4}).kind, ChipAnswer::Kind::Ack);
    EXPECT_EQ(Write(chip, 0x2B, {0x7C, 0x7C, 0x7C, 0x7C}).kind, ChipAnswer::Kind::Ack);
    EXPECT_EQ(Page(chip, 0x2B), (Bytes{0x7C, 0x7C, 0x7C, 0x7C}));

    // A new wake-up ends the authentication.
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Write(chip, 0x10, {1, 2, 3, 4})));
}

TEST(Chip, AnyNakEndsTheAuthentication) {
    NtagChip chip = Activated(ChipModel::Ntag215, Layout::Plain);
    ASSERT_EQ(Write(chip, 0x83, {0x04, 0x00, 0x00, 0x00}).kind, ChipAnswer::Kind::Ack);
    Reactivate(chip);
    ASSERT_EQ(Send(chip, {0x1B, 0xFF, 0xFF, 0xFF, 0xFF}).kind, ChipAnswer::Kind::Data);
    EXPECT_TRUE(IsNak(Send(chip, {0x30, 0xFF})));
    // Silent until selected again, then no longer authenticated.
    EXPECT_EQ(Write(chip, 4, {1, 2, 3, 4}).kind, ChipAnswer::Kind::Silent);
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Write(chip, 4, {1, 2, 3, 4})));
}

TEST(Chip, ProtReadsWrapBeforeAuth0) {
    NtagChip chip = Activated(ChipModel::Ntag213, Layout::Plain);
    ASSERT_EQ(Write(chip, 0x2A, {0x80, 0x05, 0x00, 0x00}).kind, ChipAnswer::Kind::Ack);
    ASSERT_EQ(Write(chip, 0x29, {0x04, 0x00, 0x00, 0x06}).kind, ChipAnswer::Kind::Ack);
    EXPECT_TRUE(IsNak(Send(chip, {0x30, 0x06})));
    Reactivate(chip);
    // Pages 4, 5, then wrap to 0, 1.
    const Bytes block = Read(chip, 0x04);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 4), (Bytes{0x03, 0x00, 0xFE, 0x00}));
    EXPECT_EQ(Bytes(block.begin() + 8, block.begin() + 12), Page(chip, 0));
    ASSERT_EQ(Send(chip, {0x1B, 0xFF, 0xFF, 0xFF, 0xFF}).kind, ChipAnswer::Kind::Data);
    EXPECT_EQ(Send(chip, {0x30, 0x06}).kind, ChipAnswer::Kind::Data);
}

TEST(Chip, AuthLimitBlocksForGoodAndSuccessResetsTheCount) {
    NtagChip chip = Activated(ChipModel::Ntag213, Layout::Plain);
    ASSERT_EQ(Write(chip, 0x2A, {0x02, 0x05, 0x00, 0x00}).kind, ChipAnswer::Kind::Ack);
    EXPECT_TRUE(IsNak(Send(chip, {0x1B, 1, 2, 3, 4})));
    Reactivate(chip);
    ASSERT_EQ(Send(chip, {0x1B, 0xFF, 0xFF, 0xFF, 0xFF}).kind, ChipAnswer::Kind::Data);
    EXPECT_EQ(chip.failedAuthentications(), 0);
    for (int i = 0; i < 2; ++i) {
        Reactivate(chip);
        EXPECT_TRUE(IsNak(Send(chip, {0x1B, 1, 2, 3, 4})));
    }
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Send(chip, {0x1B, 0xFF, 0xFF, 0xFF, 0xFF}), kNakAuthLimit));
}

TEST(Chip, Ntag203HasNoPasswordCommand) {
    NtagChip chip = Activated(ChipModel::Ntag203, Layout::Plain);
    EXPECT_TRUE(IsNak(Send(chip, {0x1B, 0xFF, 0xFF, 0xFF, 0xFF})));
    Reactivate(chip);
    EXPECT_EQ(Write(chip, 0x27, {1, 2, 3, 4}).kind, ChipAnswer::Kind::Ack);
    EXPECT_TRUE(IsNak(Write(chip, 0x29, {1, 2, 3, 4})));
}

TEST(Chip, UnknownOpcodesAndBadLengthsAnswerNak) {
    NtagChip chip = Activated(ChipModel::Ntag216);
    EXPECT_TRUE(IsNak(Send(chip, {0x99})));
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Send(chip, {0x30})));
    Reactivate(chip);
    EXPECT_TRUE(IsNak(Send(chip, {})));
}

TEST(Chip, FastReadSignatureAndCounter) {
    NtagChip chip = Activated(ChipModel::Ntag213, Layout::Plain);
    const ChipAnswer fast = Send(chip, {0x3A, 0x00, 0x2C});
    ASSERT_EQ(fast.kind, ChipAnswer::Kind::Data);
    ASSERT_EQ(fast.data.size(), 45u * 4);
    EXPECT_EQ(Bytes(fast.data.begin() + 0x2B * 4, fast.data.end()), Bytes(8, 0));
    EXPECT_EQ(Send(chip, {0x3C, 0x00}).data.size(), 32u);

    EXPECT_TRUE(IsNak(Send(chip, {0x39, 0x02})));  // counter disabled
    Reactivate(chip);
    ASSERT_EQ(Write(chip, 0x2A, {0x10, 0x05, 0x00, 0x00}).kind, ChipAnswer::Kind::Ack);
    Reactivate(chip);
    Read(chip, 4);
    Read(chip, 8);  // counts once per activation
    EXPECT_EQ(Send(chip, {0x39, 0x02}).data, (Bytes{1, 0, 0}));
    // At FF FF FF it stays.
    chip.RestoreCounters(0, 0xFFFFFF, chip.signature());
    Reactivate(chip);
    Read(chip, 4);
    EXPECT_EQ(Send(chip, {0x39, 0x02}).data, (Bytes{0xFF, 0xFF, 0xFF}));

    // NTAG212 has no counter: bit 4 of its ACCESS byte is reserved, and READ_CNT is unknown.
    NtagChip ntag212 = Activated(ChipModel::Ntag212, Layout::Plain);
    ASSERT_EQ(Write(ntag212, 0x26, {0x10, 0x05, 0x00, 0x00}).kind, ChipAnswer::Kind::Ack);
    Reactivate(ntag212);
    Read(ntag212, 4);
    EXPECT_TRUE(IsNak(Send(ntag212, {0x39, 0x02})));
    EXPECT_EQ(ntag212.nfcCounter(), 0u);
}

}  // namespace
}  // namespace cardhost::sim
