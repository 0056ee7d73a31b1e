// SPDX-License-Identifier: MIT
// The originality signature: a real NTAG21x's signature from public material verifies under
// NXP's key and fails once tampered with; the simulator's tags carry a well-formed signature of
// their own test key, never NXP's; READ_SIG goes to the models that have it.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "cardhost/sim/test_signature.h"
#include "tag/originality.h"
#include "tag/page_transfer.h"
#include "testing/chip_reader.h"

namespace tagwright::tag {
namespace {

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;

// An NTAG21x's UID and the signature it answered READ_SIG with, as published with an open
// verifier of these signatures.
constexpr Uid kRealUid{0x04, 0xAB, 0x87, 0xF2, 0xCA, 0x11, 0x90};
constexpr Signature kRealSignature{0x67, 0xB1, 0x75, 0x0B, 0xCC, 0xEB, 0x11, 0x74, 0xF9, 0xA3, 0x3B,
                                   0xF2, 0x0E, 0x02, 0x26, 0x55, 0x1A, 0x63, 0x66, 0x93, 0x9B, 0x31,
                                   0xF9, 0x49, 0x84, 0x8C, 0x3C, 0x08, 0x73, 0x50, 0xFA, 0x90};

Signature HexSignature(const std::string& hex) {
    Signature signature{};
    for (std::size_t i = 0; i < signature.size(); ++i)
        signature[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    return signature;
}

TEST(Originality, ARealChipsSignatureVerifiesUnderNxpsKeyAndNothingElseDoes) {
    EXPECT_EQ(true, SignatureMatches(kRealUid, kRealSignature, kNxpNtag21xKey));

    // Any bit of r, of s or of the UID changed, and it no longer verifies.
    for (std::size_t byte : {std::size_t{0}, std::size_t{15}, std::size_t{16}, std::size_t{31}}) {
        Signature tampered = kRealSignature;
        tampered[byte] ^= 0x01;
        EXPECT_EQ(false, SignatureMatches(kRealUid, tampered, kNxpNtag21xKey)) << byte;
    }
    Uid otherUid = kRealUid;
    otherUid[6] ^= 0x80;
    EXPECT_EQ(false, SignatureMatches(otherUid, kRealSignature, kNxpNtag21xKey));

    // r or s zero is no match; a key that is no point of the curve gives no verdict at all.
    Signature zeroR = kRealSignature;
    std::fill_n(zeroR.begin(), 16, 0);
    EXPECT_EQ(false, SignatureMatches(kRealUid, zeroR, kNxpNtag21xKey));
    Signature zeroS = kRealSignature;
    std::fill_n(zeroS.begin() + 16, 16, 0);
    EXPECT_EQ(false, SignatureMatches(kRealUid, zeroS, kNxpNtag21xKey));
    PublicKey offCurve = kNxpNtag21xKey;
    offCurve[32] ^= 0x01;
    EXPECT_EQ(std::nullopt, SignatureMatches(kRealUid, kRealSignature, offCurve));
    EXPECT_EQ(std::nullopt, SignatureMatches(kRealUid, kRealSignature, PublicKey{}));

    // Two more NTAG215s, published with what a phone read of them.
    EXPECT_EQ(true, SignatureMatches(Uid{0x04, 0x6D, 0x48, 0xB2, 0x97, 0x3C, 0x81},
                                     HexSignature("1ba06985bc35e5d6e35f942159be6b9a"
                                                  "c9fac2a42844df9fad9eeb579652928d"),
                                     kNxpNtag21xKey));
    EXPECT_EQ(true, SignatureMatches(Uid{0x04, 0xF4, 0x37, 0xC2, 0x99, 0x3C, 0x80},
                                     HexSignature("4d5d1005fe28968b2b9a44288253d7d9"
                                                  "e8833f3ce9c81c2144e1240eb822749f"),
                                     kNxpNtag21xKey));
}

TEST(Originality, TheSimulatorSignsWithItsTestKeyNeverNxps) {
    const Uid uid{0x04, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    const Signature signature = cardhost::sim::SignWithTestKey(uid);
    EXPECT_EQ(true, SignatureMatches(uid, signature, cardhost::sim::TestSigningPublicKey()));
    EXPECT_EQ(false, SignatureMatches(uid, signature, kNxpNtag21xKey));
    // The same UID, the same signature, so that stored tags and dumps stay stable.
    EXPECT_EQ(cardhost::sim::SignWithTestKey(uid), signature);
    EXPECT_EQ(NtagChip::FactoryNew(ChipModel::Ntag215, uid, Layout::Plain).signature(), signature);
    Uid other = uid;
    other[1] = 0x11;
    EXPECT_NE(cardhost::sim::SignWithTestKey(other), signature);
}

class ReadingTheSignature : public ::testing::Test {
  protected:
    DetectedTag Place(NtagChip chip) {
        reader.Place(std::move(chip));
        LastProcessedUid last;
        DetectedTag tag;
        EXPECT_EQ(WakeAndSelect(link(), last, tag).outcome, DetectOutcome::Detected);
        EXPECT_EQ(IdentifyModel(link(), tag).outcome, DetectOutcome::Detected);
        return tag;
    }
    TagLink link() { return {table, 1}; }

    testing::ChipReader reader;
    const reader::ReaderApi table = reader.api();
};

TEST_F(ReadingTheSignature, GenuineLookAlikeAndModelsWithout) {
    // The real chip's UID and signature on a simulated NTAG213: genuine.
    NtagChip real = NtagChip::FactoryNew(ChipModel::Ntag213, kRealUid, Layout::Datasheet);
    real.OverrideSignature(kRealSignature);
    DetectedTag tag = Place(std::move(real));
    auto genuine = CheckGenuine(link(), tag);
    ASSERT_TRUE(genuine);
    EXPECT_EQ(*genuine, std::optional<bool>(true));

    // A look-alike that copied the UID but signs with another key.
    tag = Place(NtagChip::FactoryNew(ChipModel::Ntag213, kRealUid, Layout::Datasheet));
    const auto signature = ReadSignature(link(), tag.model);
    ASSERT_TRUE(signature && *signature);
    EXPECT_EQ(**signature, reader.chip().signature());
    genuine = CheckGenuine(link(), tag);
    ASSERT_TRUE(genuine);
    EXPECT_EQ(*genuine, std::optional<bool>(false));

    // Every NTAG21x has a signature; NTAG203 has none and is not asked.
    for (ChipModel model : {ChipModel::Ntag210, ChipModel::Ntag212, ChipModel::Ntag216}) {
        tag = Place(NtagChip::FactoryNew(model, kRealUid, Layout::Plain));
        genuine = CheckGenuine(link(), tag);
        ASSERT_TRUE(genuine);
        EXPECT_EQ(*genuine, std::optional<bool>(false));
    }
    tag = Place(NtagChip::FactoryNew(ChipModel::Ntag203, kRealUid, Layout::Plain));
    const auto asked = reader.Calls("TyA_NTAG_ReadSig");
    genuine = CheckGenuine(link(), tag);
    ASSERT_TRUE(genuine);
    EXPECT_EQ(*genuine, std::nullopt);
    EXPECT_EQ(reader.Calls("TyA_NTAG_ReadSig"), asked);

    // A tag that names an NTAG21x and refuses READ_SIG is none; it is selected again, so that
    // the next command reaches it.
    tag = Place(NtagChip::FactoryNew(ChipModel::Ntag213, kRealUid, Layout::Plain));
    reader.Fail("TyA_NTAG_ReadSig", CARDHOST_NAK_BASE);
    genuine = CheckGenuine(link(), tag);
    ASSERT_TRUE(genuine);
    EXPECT_EQ(*genuine, std::optional<bool>(false));
    Block block{};
    EXPECT_FALSE(ReadBlockOrFail(link(), 4, block));

    // A READ_SIG that fails otherwise is a failed reader call, not a verdict.
    tag = Place(NtagChip::FactoryNew(ChipModel::Ntag213, kRealUid, Layout::Plain));
    reader.Fail("TyA_NTAG_ReadSig", CARDHOST_NO_TAG);
    genuine = CheckGenuine(link(), tag);
    ASSERT_FALSE(genuine);
    EXPECT_EQ(genuine.failure().problem, Problem::ReaderCall);
    EXPECT_STREQ(genuine.failure().call, "TyA_NTAG_ReadSig");
}

}  // namespace
}  // namespace tagwright::tag
