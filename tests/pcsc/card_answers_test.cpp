// SPDX-License-Identifier: MIT
// The fake card's answers without any pcscd: what each reader personality makes of malformed
// and unknown APDUs, which a real pcscd run never sends.
#include <gtest/gtest.h>

#include "card_answers.h"

namespace tagwright::pcsc_testing {
namespace {

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;

CardAnswers PoweredCard(Personality personality) {
    CardAnswers card(personality, NtagChip::FactoryNew(ChipModel::Ntag213, {0x04, 1, 2, 3, 4, 5, 6},
                                                       Layout::Plain));
    card.PowerOn();
    return card;
}

TEST(FakeCardAnswers, MalformedApdusGetStatusWordsAndLeaveTheTagListening) {
    for (const auto personality :
         {Personality::DirectTransmit, Personality::TransparentSession, Personality::StorageOnly}) {
        CardAnswers card = PoweredCard(personality);
        EXPECT_EQ(card.Answer(Bytes{0xFF, 0xB0}), Bytes({0x67, 0x00}));
        EXPECT_EQ(card.Answer(Bytes{0x00, 0xA4, 0x04, 0x00, 0x00}), Bytes({0x6E, 0x00}));
        EXPECT_EQ(card.Answer(Bytes{0xFF, 0x12, 0x00, 0x00, 0x00}), Bytes({0x6D, 0x00}));
        EXPECT_EQ(card.Answer(Bytes{0xFF, 0xB0, 0x00, 0x04, 0x11}), Bytes({0x67, 0x00}));
        // WRITE with three data bytes, or an Lc that does not match.
        EXPECT_EQ(card.Answer(Bytes{0xFF, 0xD6, 0x00, 0x04, 0x03, 1, 2, 3}), Bytes({0x67, 0x00}));
        EXPECT_EQ(card.Answer(Bytes{0xFF, 0xD6, 0x00, 0x04, 0x04, 1, 2, 3}), Bytes({0x67, 0x00}));
        EXPECT_EQ(card.Answer(Bytes{0xFF, 0xB0, 0x01, 0x04, 0x10}), Bytes({0x6B, 0x00}));
        // None of these reached the tag: it still reads, 4 bytes as asked.
        EXPECT_EQ(card.Answer(Bytes{0xFF, 0xB0, 0x00, 0x04, 0x04}),
                  Bytes({0x03, 0x00, 0xFE, 0x00, 0x90, 0x00}));
    }
}

TEST(FakeCardAnswers, PoweredOffTheTagIsSilentAndTheReaderSaysSo) {
    CardAnswers card = PoweredCard(Personality::DirectTransmit);
    card.PowerOff();
    EXPECT_EQ(card.Answer(Bytes{0xFF, 0xB0, 0x00, 0x00, 0x10}), Bytes({0x63, 0x00}));
    EXPECT_EQ(card.Answer(Bytes{0xFF, 0x00, 0x00, 0x00, 0x03, 0xD4, 0x42, 0x60}),
              Bytes({0xD5, 0x43, 0x01, 0x90, 0x00}));
    // Other PN532 commands than InCommunicateThru are not modelled.
    EXPECT_EQ(card.Answer(Bytes{0xFF, 0x00, 0x00, 0x00, 0x03, 0xD4, 0x40, 0x01}),
              Bytes({0x63, 0x00}));
}

TEST(FakeCardAnswers, ATransparentExchangeMustFillItsLengthExactly) {
    CardAnswers card = PoweredCard(Personality::TransparentSession);
    EXPECT_EQ(card.Answer(Bytes{0xFF, 0xC2, 0x00, 0x00, 0x02, 0x81, 0x00}),
              Bytes({0xC0, 0x03, 0x00, 0x90, 0x00, 0x90, 0x00}));
    // 95 02 but one frame byte: the data object is cut short.
    EXPECT_EQ(card.Answer(Bytes{0xFF, 0xC2, 0x00, 0x01, 0x03, 0x95, 0x02, 0x60, 0x00}),
              Bytes({0xC0, 0x03, 0x01, 0x6A, 0x80, 0x90, 0x00}));
    EXPECT_EQ(card.Answer(Bytes{0xFF, 0xC2, 0x00, 0x00, 0x02, 0x8F, 0x00}),
              Bytes({0xC0, 0x03, 0x01, 0x6A, 0x81, 0x90, 0x00}));
    // A WRITE through the session: a 4-bit ACK.
    EXPECT_EQ(
        card.Answer(Bytes{0xFF, 0xC2, 0x00, 0x01, 0x08, 0x95, 0x06, 0xA2, 0x05, 9, 9, 9, 9, 0x00}),
        Bytes({0xC0, 0x03, 0x00, 0x90, 0x00, 0x92, 0x01, 0x04, 0x96, 0x02, 0x00, 0x00, 0x97, 0x01,
               0x0A, 0x90, 0x00}));
    EXPECT_EQ(card.chip().memory()[20], 9);
}

TEST(FakeCardAnswers, PersonalityAndCommandNames) {
    EXPECT_EQ(PersonalityFromName("b"), Personality::TransparentSession);
    EXPECT_FALSE(PersonalityFromName("D"));
    EXPECT_EQ(OpcodeFromName("pwd-auth"), 0x1B);
    EXPECT_EQ(OpcodeFromName("read-sig"), 0x3C);
    EXPECT_FALSE(OpcodeFromName("fast-read"));
}

}  // namespace
}  // namespace tagwright::pcsc_testing
