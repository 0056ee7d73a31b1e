// SPDX-License-Identifier: MIT
// Tag detection: every outcome of the sequence and why it ended, on the in-memory chip and on a
// reader whose tag answers as the test says.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "tag/detection.h"
#include "testing/chip_reader.h"
#include "testing/fake_reader.h"

namespace tagwright::tag {
namespace {

using testing::FakeReaderApi;
using testing::FakeTag;

// Wake-up and, when that found a new tag, identification: what a Read does.
Detection Detect(TagLink link, LastProcessedUid& last, DetectedTag& tag) {
    const Detection woken = WakeAndSelect(link, last, tag);
    if (woken.outcome != DetectOutcome::Detected) return woken;
    return IdentifyModel(link, tag);
}

void ExpectFailure(const Detection& detection, DetectOutcome outcome, Problem problem,
                   std::int32_t status = 0) {
    EXPECT_EQ(detection.outcome, outcome);
    ASSERT_TRUE(detection.failure.has_value());
    EXPECT_EQ(detection.failure->problem, problem);
    EXPECT_EQ(detection.failure->status, status);
}

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;

constexpr Uid kUid{0x04, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6};

NtagChip NewChip(ChipModel model) {
    return NtagChip::FactoryNew(model, kUid, Layout::Plain);
}

class Detection : public ::testing::Test {
  protected:
    tag::Detection Detect() {
        found = DetectedTag{};
        return tag::Detect({table, 1}, last, found);
    }

    testing::ChipReader reader{NewChip(ChipModel::Ntag213)};
    const reader::ReaderApi table = reader.api();
    LastProcessedUid last;
    DetectedTag found;
};

TEST_F(Detection, ANewTagIsIdentifiedOnceUntilItLeaves) {
    const tag::Detection first = Detect();
    EXPECT_EQ(first.outcome, DetectOutcome::Detected);
    EXPECT_FALSE(first.failure.has_value());
    EXPECT_EQ(found.model, kNtag213);
    EXPECT_FALSE(found.reselected);
    EXPECT_EQ(found.uid, kUid);
    EXPECT_EQ(last.bytes, kUid);

    const tag::Detection again = Detect();
    EXPECT_EQ(again.outcome, DetectOutcome::AlreadyHandled);
    EXPECT_FALSE(again.failure.has_value());
    EXPECT_TRUE(reader.lights().empty());  // the light is not touched

    reader.Remove();
    const tag::Detection empty = Detect();
    ExpectFailure(empty, DetectOutcome::NoTag, Problem::ReaderCall, CARDHOST_NO_TAG);
    EXPECT_STREQ(empty.failure->call, "TyA_Request");
    EXPECT_TRUE(last.IsClear());
    reader.Place(NewChip(ChipModel::Ntag213));
    EXPECT_EQ(Detect().outcome, DetectOutcome::Detected);  // put back: handled again
    EXPECT_EQ(reader.Calls("TyA_NTAG_GetVersion"), 2u);    // once per new tag
}

TEST_F(Detection, AFailedSelectionIsANonNtagCard) {
    reader.Fail("TyA_NTAG_AnticollSelect", CARDHOST_INJECTED);
    ExpectFailure(Detect(), DetectOutcome::NotSelectable, Problem::NotNtag);
    EXPECT_TRUE(last.IsClear());
}

TEST_F(Detection, AnNtag203IsNamedAfterItRefusesGetVersionAndIsSelectedAgain) {
    reader.Place(NewChip(ChipModel::Ntag203));
    EXPECT_EQ(Detect().outcome, DetectOutcome::Detected);
    EXPECT_EQ(found.model, kNtag203);
    EXPECT_TRUE(found.reselected);
    // Refused GET_VERSION, selected again, refused the signature, selected again.
    EXPECT_EQ(reader.Calls("TyA_Request"), 3u);
    EXPECT_EQ(reader.Calls("TyA_NTAG_ReadSig"), 1u);
    EXPECT_EQ(reader.Calls("TyA_NTAG_GetVersion"), 1u);
    // Selected again, so the next command is answered.
    std::uint8_t block[16] = {};
    std::uint8_t length = 0;
    EXPECT_EQ(table.TyA_NTAG_Read(1, 4, block, &length), 0);
}

TEST_F(Detection, AFailedReselectionNamesTheCallAndItsStatus) {
    reader.Place(NewChip(ChipModel::Ntag203));
    reader.Fail("TyA_Request", 0x0a, 2);
    const tag::Detection request = Detect();
    ExpectFailure(request, DetectOutcome::ReaderError, Problem::ReaderCall, 0x0a);
    EXPECT_STREQ(request.failure->call, "TyA_Request");

    last.Clear();
    reader.Fail("TyA_NTAG_AnticollSelect", CARDHOST_INJECTED, 2);
    const tag::Detection select = Detect();
    ExpectFailure(select, DetectOutcome::ReaderError, Problem::ReaderCall, CARDHOST_INJECTED);
    EXPECT_STREQ(select.failure->call, "TyA_NTAG_AnticollSelect");
}

// Only a NAK can mean NTAG203; everything else about the version leaves the model unknown.
TEST_F(Detection, AGetVersionThatFailsWithoutANakLeavesTheModelUnrecognized) {
    for (const std::int32_t status : {0x06, 0x0b, 0x09}) {
        SCOPED_TRACE(status);
        last.Clear();
        reader.Fail("TyA_NTAG_GetVersion", status);
        ExpectFailure(Detect(), DetectOutcome::Unrecognized, Problem::ModelUnknown, status);
    }
}

TEST_F(Detection, AnNtag21xThatNaksGetVersionOnceIsAskedAgain) {
    reader.Fail("TyA_NTAG_GetVersion", 0x21);
    EXPECT_EQ(Detect().outcome, DetectOutcome::Detected);
    EXPECT_EQ(found.model, kNtag213);
    EXPECT_TRUE(found.reselected);

    // Refused twice although it gives its signature: an NTAG21x that will not name its model.
    last.Clear();
    reader.Fail("TyA_NTAG_GetVersion", 0x20);
    reader.Fail("TyA_NTAG_GetVersion", 0x20, 2);
    ExpectFailure(Detect(), DetectOutcome::Unrecognized, Problem::ModelUnknown, 0x20);
}

TEST_F(Detection, AnNtag203WhoseSignatureProbeFailsIsNotTakenForOne) {
    reader.Place(NewChip(ChipModel::Ntag203));
    reader.Fail("TyA_NTAG_ReadSig", CARDHOST_NO_ANSWER);
    ExpectFailure(Detect(), DetectOutcome::Unrecognized, Problem::ModelUnknown, CARDHOST_NO_ANSWER);
    // A NAK of the probe is what an NTAG203 gives.
    last.Clear();
    reader.Fail("TyA_NTAG_ReadSig", 0x21);
    EXPECT_EQ(Detect().outcome, DetectOutcome::Detected);
    EXPECT_EQ(found.model, kNtag203);
}

TEST(DetectionScripted, TheAnswersOfOtherTagsAndOfTagsThatWillNotSayTheirModel) {
    LastProcessedUid last;
    {
        SCOPED_TRACE("another ATQA: not an NTAG, and counted as handled");
        FakeTag fake;
        fake.atqa = {0x04, 0x00};
        const reader::ReaderApi api = FakeReaderApi(fake);
        DetectedTag tag;
        ExpectFailure(Detect({api, 1}, last, tag), DetectOutcome::NotNtag, Problem::NotNtag);
        EXPECT_EQ(last.bytes, fake.uid);
        EXPECT_EQ(Detect({api, 1}, last, tag).outcome, DetectOutcome::AlreadyHandled);
    }
    // A model code the table does not know is named as it is; code 0 (NTAG203's, which never
    // answers GET_VERSION) leaves the model unknown.
    for (const std::uint8_t code : {std::uint8_t{0x12}, std::uint8_t{0x00}}) {
        SCOPED_TRACE(int{code});
        last.Clear();
        FakeTag fake;
        fake.version[6] = code;
        const reader::ReaderApi api = FakeReaderApi(fake);
        DetectedTag tag;
        const tag::Detection detection = Detect({api, 1}, last, tag);
        if (code != 0) {
            EXPECT_EQ(detection.outcome, DetectOutcome::Detected);
            EXPECT_EQ(tag.model, code);
        } else {
            ExpectFailure(detection, DetectOutcome::Unrecognized, Problem::ModelUnknown);
        }
    }
    EXPECT_EQ(CapUserMemory(0x12, 0x3F * 8), 0x3F * 8);
}

// A tag that refuses GET_VERSION and READ_SIG is an NTAG203 only if it has not accepted a
// password: NTAG203 has none.
TEST(DetectionScripted, ATagThatAnsweredPwdAuthIsNoNtag203) {
    FakeTag fake;
    fake.versionStatus = 0x20;
    fake.signatureStatus = 0x20;
    const reader::ReaderApi api = FakeReaderApi(fake);
    DetectedTag tag;
    tag.atqa = {0x44, 0x00};
    EXPECT_EQ(IdentifyModel({api, 1}, tag).outcome, DetectOutcome::Detected);
    EXPECT_EQ(tag.model, kNtag203);

    DetectedTag authenticated;
    authenticated.atqa = {0x44, 0x00};
    authenticated.answeredPwdAuth = true;
    authenticated.model = kNtag213;
    ExpectFailure(IdentifyModel({api, 1}, authenticated), DetectOutcome::Unrecognized,
                  Problem::ModelUnknown, 0x20);
}

TEST(DetectionScripted, OnlyNakStatusesCountAsNak) {
    EXPECT_TRUE(IsNak(0x20));
    EXPECT_TRUE(IsNak(0x2F));
    EXPECT_FALSE(IsNak(0x30));
    EXPECT_FALSE(IsNak(0x1F));
    EXPECT_FALSE(IsNak(0x09));
    EXPECT_FALSE(IsNak(0x120));
}

// Each model's delivered capability container fits it, up to its whole user memory; one unit
// more does not, nor the whole memory of the next smaller model.
TEST(NtagModelTable, TheCapabilityContainerMustFitTheNamedModel) {
    struct Fit {
        ModelCode model;
        std::uint8_t delivered, smallest;
    };
    const Fit fits[] = {{kNtag203, 0x12, 0x11}, {kNtag210, 0x06, 0x01}, {kNtag212, 0x10, 0x07},
                        {kNtag213, 0x12, 0x11}, {kNtag215, 0x3E, 0x13}, {kNtag216, 0x6D, 0x40}};
    for (const auto& [model, delivered, smallest] : fits) {
        EXPECT_TRUE(CapacityFitsModel(model, delivered)) << int{model};
        EXPECT_TRUE(CapacityFitsModel(model, smallest)) << int{model};
        EXPECT_FALSE(CapacityFitsModel(model, static_cast<std::uint8_t>(smallest - 1)))
            << int{model};
        const std::uint8_t cap = static_cast<std::uint8_t>(CapUserMemory(model, 0xFF * 8) / 8);
        EXPECT_TRUE(CapacityFitsModel(model, cap));
        EXPECT_FALSE(CapacityFitsModel(model, static_cast<std::uint8_t>(cap + 1)));
    }
    // An NTAG212's container under the name NTAG213, and the other way round.
    EXPECT_FALSE(CapacityFitsModel(kNtag213, 0x10));
    EXPECT_FALSE(CapacityFitsModel(kNtag212, 0x12));
    EXPECT_TRUE(CapacityFitsModel(0x12, 0xFF));  // unknown models are not checked
    EXPECT_EQ(NextSmallerUserMemory(kNtag213), 128);
    EXPECT_EQ(NextSmallerUserMemory(kNtag210), 0);
    EXPECT_EQ(NextSmallerUserMemory(0x12), 0);
}

TEST(NtagModelTable, CapsAndPagesPerModel) {
    EXPECT_EQ(CapUserMemory(kNtag213, 0x3F * 8), 144);
    EXPECT_EQ(CapUserMemory(kNtag213, 100), 100);
    EXPECT_EQ(CapUserMemory(kNtag215, 0x3E * 8), 496);
    EXPECT_EQ(CapUserMemory(kNtag216, 0xFF * 8), 888);
    EXPECT_EQ(CapUserMemory(kNtag203, 0xFF * 8), 144);
    EXPECT_EQ(CapUserMemory(kNtag210, 0x06 * 8), 48);

    EXPECT_EQ(ConfigurationPage(kNtag203).kind, PageLookup::Kind::NotSupported);
    EXPECT_EQ(ConfigurationPage(0x12).kind, PageLookup::Kind::Unknown);
    EXPECT_EQ(ConfigurationPage(kNtag216).page, 0xE3);
    EXPECT_EQ(PasswordPage(kNtag213).page, 0x2B);
    EXPECT_EQ(PasswordPage(kNtag210).page, 0x12);
    EXPECT_EQ(DynamicLockPage(kNtag210).kind, PageLookup::Kind::NotSupported);
    EXPECT_EQ(DynamicLockPage(kNtag212).page, 0x24);
    EXPECT_EQ(DynamicLockPage(0x42).kind, PageLookup::Kind::Unknown);
    EXPECT_EQ(ModelName(kNtag215), "NTAG215");
    EXPECT_EQ(ModelName(0x12), "");

    std::uint8_t page[4] = {0, 0, 0, 0xBD};
    SetDynamicLockBytes(kNtag203, page);
    EXPECT_EQ(page[2], 0x00);
    EXPECT_EQ(page[1], 0xFF);
    SetDynamicLockBytes(kNtag213, page);
    EXPECT_EQ(page[2], 0xFF);
    EXPECT_EQ(page[3], 0xBD);
    std::uint8_t untouched[4] = {};
    SetDynamicLockBytes(0x12, untouched);
    SetDynamicLockBytes(kNtag210, untouched);
    EXPECT_EQ(untouched[0], 0);
}

}  // namespace
}  // namespace tagwright::tag
