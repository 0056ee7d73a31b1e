// SPDX-License-Identifier: MIT
// The NFC counter on the in-memory chip: switched on in the ACCESS byte with the other bits
// kept, read with READ_CNT least significant byte first, counting the first read of each
// activation, hidden when off or protected, and refused by the models that have none.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "tag/nfc_counter.h"
#include "tag/password.h"
#include "testing/chip_reader.h"

namespace tagwright::tag {
namespace {

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;

constexpr Uid kUid{0x04, 0x31, 0x42, 0x53, 0x64, 0x75, 0x06};
constexpr std::size_t kAccess213 = 0x2A * 4;

class NfcCounter : public ::testing::Test {
  protected:
    DetectedTag Place(ChipModel model) {
        reader.Place(NtagChip::FactoryNew(model, kUid, Layout::Plain));
        return Wake();
    }
    // A new activation, as when the tag enters the field again.
    DetectedTag Wake() {
        reader.chip().PowerOff();
        LastProcessedUid last;
        DetectedTag tag;
        EXPECT_EQ(WakeAndSelect(link(), last, tag).outcome, DetectOutcome::Detected);
        EXPECT_EQ(IdentifyModel(link(), tag).outcome, DetectOutcome::Detected);
        return tag;
    }
    std::optional<std::uint32_t> Counter(bool authenticated = false) {
        const auto counter = ReadNfcCounter(link(), kNtag213, authenticated);
        EXPECT_TRUE(counter);
        return counter ? *counter : std::nullopt;
    }
    TagLink link() { return {table, 1}; }

    testing::ChipReader reader;
    const reader::ReaderApi table = reader.api();
};

TEST_F(NfcCounter, SwitchedOnItCountsEachActivationOnce) {
    Place(ChipModel::Ntag213);
    EXPECT_EQ(Counter(), std::nullopt);  // off as delivered
    EXPECT_EQ(reader.Calls("TyA_NTAG_ReadCnt"), 0u);
    // AUTHLIM 3 set before: ACCESS keeps it.
    reader.chip().memory()[kAccess213] = 0x03;
    ASSERT_FALSE(EnableNfcCounter(link(), kNtag213, false));
    EXPECT_EQ(reader.chip().memory()[kAccess213], 0x13);  // NFC_CNT_EN is bit 4

    // The datasheet's byte order: least significant first.
    reader.chip().RestoreCounters(0, 0x01022A, reader.chip().signature());
    Wake();
    EXPECT_EQ(Counter(), 0x01022Bu);  // the READ of the configuration page counted
    EXPECT_EQ(Counter(), 0x01022Bu);  // once per activation
    Wake();
    EXPECT_EQ(Counter(), 0x01022Cu);
}

TEST_F(NfcCounter, AProtectedCounterIsReadOnlyWithThePassword) {
    Place(ChipModel::Ntag213);
    ASSERT_FALSE(EnableNfcCounter(link(), kNtag213, true));
    EXPECT_EQ(reader.chip().memory()[kAccess213], 0x18);  // and NFC_CNT_PWD_PROT, bit 3
    Wake();
    EXPECT_EQ(Counter(), std::nullopt);
    EXPECT_EQ(reader.Calls("TyA_NTAG_ReadCnt"), 0u);  // not asked, so the tag stays active
    Wake();
    ASSERT_EQ(Authenticate(link(), {0xFF, 0xFF, 0xFF, 0xFF}), AuthOutcome::Accepted);
    // One count for each of the three activations that read a page: the read-back of ACCESS,
    // the first reading and this one.
    EXPECT_EQ(Counter(true), 3u);
}

TEST_F(NfcCounter, SwitchedOnAgainItsProtectionFollowsTheAskAndNothingUnchangedIsWritten) {
    Place(ChipModel::Ntag213);
    ASSERT_FALSE(EnableNfcCounter(link(), kNtag213, true));
    ASSERT_FALSE(EnableNfcCounter(link(), kNtag213, false));
    EXPECT_EQ(reader.chip().memory()[kAccess213], 0x10);
    const auto writes = reader.Calls("TyA_NTAG_Write");
    // The same again, even under a configuration lock, which would refuse a write.
    reader.chip().memory()[kAccess213] = 0x50;
    ASSERT_FALSE(EnableNfcCounter(link(), kNtag213, false));
    EXPECT_EQ(reader.Calls("TyA_NTAG_Write"), writes);
}

TEST_F(NfcCounter, ModelsWithoutOneAndAFailedCallAreToldApart) {
    for (const ChipModel model : {ChipModel::Ntag203, ChipModel::Ntag210, ChipModel::Ntag212}) {
        const DetectedTag tag = Place(model);
        const auto writes = reader.Calls("TyA_NTAG_Write");
        const Outcome refused = EnableNfcCounter(link(), tag.model, false);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->problem, Problem::NoCounter);
        EXPECT_EQ(reader.Calls("TyA_NTAG_Write"), writes);
        const auto none = ReadNfcCounter(link(), tag.model);
        ASSERT_TRUE(none);
        EXPECT_EQ(*none, std::nullopt);
    }
    Place(ChipModel::Ntag216);
    ASSERT_FALSE(EnableNfcCounter(link(), kNtag216, false));
    reader.Fail("TyA_NTAG_ReadCnt", CARDHOST_NO_ANSWER);
    const auto failed = ReadNfcCounter(link(), kNtag216);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.failure().problem, Problem::ReaderCall);
    EXPECT_STREQ(failed.failure().call, "TyA_NTAG_ReadCnt");
    EXPECT_EQ(failed.failure().status, CARDHOST_NO_ANSWER);
}

}  // namespace
}  // namespace tagwright::tag
