// SPDX-License-Identifier: MIT
// The originality signature: a real NTAG21x's signature from public material verifies under
// NXP's key and fails once tampered with; the simulator's tags carry a well-formed signature of
// their own test key, never NXP's; READ_SIG goes to the models that have it.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "cardhost/sim/test_signature.h"
#include "tag/originality.h"
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

TEST(Originality, ARealChipsSignatureVerifiesUnderNxpsKeyAndNothingElseDoes) {
    EXPECT_TRUE(SignatureMatches(kRealUid, kRealSignature, kNxpNtag21xKey));

    // Any bit of r, of s or of the UID changed, and it no longer verifies.
    for (std::size_t byte : {std::size_t{0}, std::size_t{15}, std::size_t{16}, std::size_t{31}}) {
        Signature tampered = kRealSignature;
        tampered[byte] ^= 0x01;
        EXPECT_FALSE(SignatureMatches(kRealUid, tampered, kNxpNtag21xKey)) << byte;
    }
    Uid otherUid = kRealUid;
    otherUid[6] ^= 0x80;
    EXPECT_FALSE(SignatureMatches(otherUid, kRealSignature, kNxpNtag21xKey));

    // r or s zero, and a key that is no point of the curve, verify nothing.
    Signature zeroR = kRealSignature;
    std::fill_n(zeroR.begin(), 16, 0);
    EXPECT_FALSE(SignatureMatches(kRealUid, zeroR, kNxpNtag21xKey));
    PublicKey offCurve = kNxpNtag21xKey;
    offCurve[32] ^= 0x01;
    EXPECT_FALSE(SignatureMatches(kRealUid, kRealSignature, offCurve));
    EXPECT_FALSE(SignatureMatches(kRealUid, kRealSignature, PublicKey{}));
}

TEST(Originality, TheSimulatorSignsWithItsTestKeyNeverNxps) {
    const Uid uid{0x04, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    const Signature signature = cardhost::sim::SignWithTestKey(uid);
    EXPECT_TRUE(SignatureMatches(uid, signature, cardhost::sim::TestSigningPublicKey()));
    EXPECT_FALSE(SignatureMatches(uid, signature, kNxpNtag21xKey));
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
        EXPECT_EQ(*CheckGenuine(link(), tag), std::optional<bool>(false));
    }
    tag = Place(NtagChip::FactoryNew(ChipModel::Ntag203, kRealUid, Layout::Plain));
    const auto asked = reader.Calls("TyA_NTAG_ReadSig");
    EXPECT_EQ(*CheckGenuine(link(), tag), std::nullopt);
    EXPECT_EQ(reader.Calls("TyA_NTAG_ReadSig"), asked);

    // A READ_SIG that fails is a failed reader call, not a verdict.
    tag = Place(NtagChip::FactoryNew(ChipModel::Ntag213, kRealUid, Layout::Plain));
    reader.Fail("TyA_NTAG_ReadSig", CARDHOST_NO_TAG);
    genuine = CheckGenuine(link(), tag);
    ASSERT_FALSE(genuine);
    EXPECT_EQ(genuine.failure().problem, Problem::ReaderCall);
    EXPECT_STREQ(genuine.failure().call, "TyA_NTAG_ReadSig");
}

}  // namespace
}  // namespace tagwright::tag
