// SPDX-License-Identifier: MIT
// Tag detection: every outcome of the sequence, on simulated tags and on a scripted reader.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "cardhost/sim/hex.h"
#include "support/sim_env.h"
#include "tag/detection.h"
#include "testing/fake_reader.h"
#include "testing/recording_sink.h"
#include "text/text_tables.h"

namespace tagwright::tag {
namespace {

using feed::kBlue;
using feed::kRed;
using testing::FakeReaderApi;
using testing::FakeTag;

class Detection : public testing::SimEnvironment {
  protected:
    void SetUp() override {
        SimEnvironment::SetUp();
        text::SetUiLanguage(text::Language::English);
        handle = OpenFirstReader();
    }
    void TearDown() override {
        text::SetUiLanguage(text::Language::Chinese);
        SimEnvironment::TearDown();
    }
    TagLink link() { return {api(), handle, nullptr}; }
    DetectOutcome Detect(bool autoOperation, OperationKind kind = OperationKind::Read) {
        DetectedTag tag;
        const DetectOutcome outcome = DetectTag(link(), autoOperation, last, kind, tag);
        found = tag;
        return outcome;
    }

    std::int32_t handle = -1;
    testing::RecordingSink sink;
    LastProcessedUid last;
    DetectedTag found;
};

TEST_F(Detection, ANewNtag213IsIdentifiedWithModelAndUid) {
    feed::AppendLog(0, "from before", kBlue);
    EXPECT_EQ(Detect(false), DetectOutcome::Detected);
    EXPECT_EQ(found.model, kNtag213);
    ASSERT_EQ(sink.lines.size(), 1u);  // the log was cleared first
    EXPECT_EQ(sink.lines[0].text, "NTAG213, UID: " + FieldUid());
    EXPECT_EQ(sink.lines[0].colour, kBlue);
    EXPECT_EQ(sink.lines[0].number, 1);
    EXPECT_EQ(cardhost::sim::ToHex(last.bytes), FieldUid());
}

TEST_F(Detection, TheSameTagIsHandledOnceUntilItLeaves) {
    ASSERT_EQ(Detect(true), DetectOutcome::Detected);
    const auto linesBefore = sink.lines.size();
    const auto lights = [this] {
        const std::string stats = SimOk({"stats", "--reader", "SIM-0001"});
        return stats.substr(stats.find("lights"));
    };
    const std::string lightsBefore = lights();
    EXPECT_EQ(Detect(true), DetectOutcome::AlreadyHandled);
    EXPECT_EQ(sink.lines.size(), linesBefore);  // silent, log kept
    EXPECT_EQ(lights(), lightsBefore);          // the light is not touched

    const std::string uid = FieldUid();
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    EXPECT_EQ(Detect(true), DetectOutcome::NoTag);
    EXPECT_TRUE(last.IsClear());
    SimOk({"tag", "place", uid, "--reader", "SIM-0001"});
    EXPECT_EQ(Detect(true), DetectOutcome::Detected);  // put back: handled again
}

TEST_F(Detection, NoTagInAutoOperationWaitsInBlueAndRestsTheLight) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    feed::AppendLog(0, "old", kBlue);
    last.bytes = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(Detect(true), DetectOutcome::NoTag);
    EXPECT_TRUE(last.IsClear());
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"Waiting for card ......"}));
    EXPECT_EQ(sink.lines[0].colour, kBlue);
    EXPECT_NE(SimOk({"stats", "--reader", "SIM-0001"}).find("lights 1\n"), std::string::npos);
}

TEST_F(Detection, NoTagWithoutAutoOperationReportsTheFailedRequest) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    EXPECT_EQ(Detect(false), DetectOutcome::NoTag);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].text, "TyA_Request");
    EXPECT_EQ(sink.lines[0].code, CARDHOST_NO_TAG);
    EXPECT_EQ(sink.lines[0].colour, kRed);
}

TEST_F(Detection, AFailedSelectionIsANonNtagCard) {
    SimOk({"fault", "fail", "TyA_NTAG_AnticollSelect", "--reader", "SIM-0001"});
    feed::AppendLog(0, "kept without auto", kBlue);
    EXPECT_EQ(Detect(false), DetectOutcome::NotSelectable);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"kept without auto", "Non NTAG card !"}));
    EXPECT_TRUE(last.IsClear());

    SimOk({"fault", "fail", "TyA_NTAG_AnticollSelect", "--reader", "SIM-0001"});
    EXPECT_EQ(Detect(true), DetectOutcome::NotSelectable);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"Non NTAG card !"}));
    EXPECT_EQ(sink.lines[0].colour, kRed);
}

TEST_F(Detection, AnNtag203IsNamedAfterItRefusesGetVersionAndIsSelectedAgain) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string uid = SimOk({"tag", "new", "--model", "NTAG203", "--reader", "SIM-0001"});
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    EXPECT_EQ(Detect(false), DetectOutcome::Detected);
    EXPECT_EQ(found.model, kNtag203);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"NTAG203, UID: " + uid}));
    // Refused GET_VERSION, selected again, refused the signature, selected again.
    const std::string stats = SimOk({"stats", "--reader", "SIM-0001"});
    EXPECT_NE(stats.find("command TyA_Request 3\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("command TyA_NTAG_ReadSig 1\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("command TyA_NTAG_GetVersion 1\n"), std::string::npos) << stats;
    // Selected again, so the next command is answered.
    std::uint8_t block[16] = {};
    EXPECT_EQ(api().TyA_NTAG_Read(handle, 4, block, nullptr), 0);
}

TEST_F(Detection, AFailedReselectionIsReportedWithItsStatusAndName) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    SimOk({"tag", "new", "--model", "NTAG203", "--reader", "SIM-0001"});
    SimOk(
        {"fault", "fail", "TyA_Request", "--reader", "SIM-0001", "--nth", "2", "--status", "0x0a"});
    EXPECT_EQ(Detect(false), DetectOutcome::ReaderError);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].text, "TyA_Request");
    EXPECT_EQ(feed::FormatErrorCode(sink.lines[0].code), "Error Code: 0x0a");

    last.Clear();
    SimOk({"fault", "fail", "TyA_NTAG_AnticollSelect", "--reader", "SIM-0001", "--nth", "2"});
    EXPECT_EQ(Detect(false), DetectOutcome::ReaderError);
    EXPECT_EQ(sink.lines.back().text, "TyA_NTAG_AnticollSelect");
    EXPECT_EQ(sink.lines.back().code, CARDHOST_INJECTED);
}

// Only a NAK can mean NTAG203; everything else about the version leaves the model unknown.
TEST_F(Detection, AGetVersionThatFailsWithoutANakLeavesTheModelUnrecognized) {
    for (const char* status : {"0x06", "0x0b", "0x09"}) {
        SCOPED_TRACE(status);
        last.Clear();
        SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", status});
        EXPECT_EQ(Detect(false), DetectOutcome::Unrecognized);
        ASSERT_EQ(sink.lines.size(), 1u);
        EXPECT_EQ(sink.lines[0].text, "Failed to recognize the tag model !");
        EXPECT_EQ(sink.lines[0].code, std::stoi(status, nullptr, 16));
        EXPECT_EQ(sink.lines[0].colour, kRed);
    }
}

TEST_F(Detection, AnNtag21xThatNaksGetVersionOnceIsAskedAgain) {
    SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x21"});
    EXPECT_EQ(Detect(false), DetectOutcome::Detected);
    EXPECT_EQ(found.model, kNtag213);
    EXPECT_TRUE(found.reselected);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"NTAG213, UID: " + FieldUid()}));

    // Refused twice although it gives its signature: an NTAG21x that will not name its model.
    last.Clear();
    SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x20"});
    SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x20",
           "--nth", "2"});
    EXPECT_EQ(Detect(false), DetectOutcome::Unrecognized);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"Failed to recognize the tag model !"}));
}

TEST_F(Detection, AnNtag203WhoseSignatureProbeFailsIsNotTakenForOne) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    SimOk({"tag", "new", "--model", "NTAG203", "--reader", "SIM-0001"});
    SimOk({"fault", "fail", "TyA_NTAG_ReadSig", "--reader", "SIM-0001", "--status", "0x06"});
    EXPECT_EQ(Detect(false), DetectOutcome::Unrecognized);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].code, CARDHOST_NO_ANSWER);
    // A NAK of the probe is what an NTAG203 gives.
    last.Clear();
    SimOk({"fault", "fail", "TyA_NTAG_ReadSig", "--reader", "SIM-0001", "--status", "0x21"});
    EXPECT_EQ(Detect(false), DetectOutcome::Detected);
    EXPECT_EQ(found.model, kNtag203);
}

TEST_F(Detection, ClearKeyKeepsTheLog) {
    feed::AppendLog(0, "before", kBlue);
    DetectedTag tag;
    ASSERT_EQ(WakeAndSelect(link(), false, last, OperationKind::ClearKey, tag),
              DetectOutcome::Detected);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"before"}));
    EXPECT_EQ(tag.uidText, "UID: " + FieldUid());
}

TEST(DetectionScripted, AnotherAtqaIsNotAnNtagAndCountsAsHandled) {
    testing::RecordingSink sink;
    FakeTag fake;
    fake.atqa = {0x04, 0x00};
    const reader::ReaderApi api = FakeReaderApi(fake);
    LastProcessedUid last;
    DetectedTag tag;
    text::SetUiLanguage(text::Language::English);
    EXPECT_EQ(DetectTag({api, 1}, true, last, OperationKind::Read, tag), DetectOutcome::NotNtag);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"Non NTAG card !"}));
    EXPECT_EQ(last.bytes, fake.uid);
    EXPECT_EQ(DetectTag({api, 1}, true, last, OperationKind::Read, tag),
              DetectOutcome::AlreadyHandled);
    text::SetUiLanguage(text::Language::Chinese);
}

TEST(DetectionScripted, AnUnknownModelCodeGivesALineStartingWithTheSeparator) {
    testing::RecordingSink sink;
    FakeTag fake;
    fake.version[6] = 0x12;
    const reader::ReaderApi api = FakeReaderApi(fake);
    LastProcessedUid last;
    DetectedTag tag;
    EXPECT_EQ(DetectTag({api, 1}, false, last, OperationKind::Write, tag), DetectOutcome::Detected);
    EXPECT_EQ(tag.model, 0x12);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{", UID: 04010203040506"}));
    EXPECT_EQ(CapUserMemory(0x12, 0x3F * 8), 0x3F * 8);
}

TEST(DetectionScripted, AVersionAnswerNamingModelCodeZeroIsNotAnNtag203) {
    testing::RecordingSink sink;
    FakeTag fake;
    fake.version[6] = 0x00;
    const reader::ReaderApi api = FakeReaderApi(fake);
    LastProcessedUid last;
    DetectedTag tag;
    text::SetUiLanguage(text::Language::English);
    EXPECT_EQ(DetectTag({api, 1}, false, last, OperationKind::Write, tag),
              DetectOutcome::Unrecognized);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"Failed to recognize the tag model !"}));
    text::SetUiLanguage(text::Language::Chinese);
}

// A tag that refuses GET_VERSION and READ_SIG is an NTAG203 only if it has not accepted a
// password: NTAG203 has none.
TEST(DetectionScripted, ATagThatAnsweredPwdAuthIsNoNtag203) {
    testing::RecordingSink sink;
    FakeTag fake;
    fake.versionStatus = 0x20;
    fake.signatureStatus = 0x20;
    const reader::ReaderApi api = FakeReaderApi(fake);
    text::SetUiLanguage(text::Language::English);
    DetectedTag tag;
    tag.atqa = {0x44, 0x00};
    EXPECT_EQ(IdentifyModel({api, 1}, tag), DetectOutcome::Detected);
    EXPECT_EQ(tag.model, kNtag203);

    DetectedTag authenticated;
    authenticated.atqa = {0x44, 0x00};
    authenticated.answeredPwdAuth = true;
    authenticated.model = kNtag213;
    EXPECT_EQ(IdentifyModel({api, 1}, authenticated), DetectOutcome::Unrecognized);
    EXPECT_EQ(sink.lines.back().text, "Failed to recognize the tag model !");
    EXPECT_EQ(sink.lines.back().code, 0x20);
    EXPECT_EQ(sink.lines.back().colour, kRed);
    text::SetUiLanguage(text::Language::Chinese);
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
    testing::RecordingSink sink;
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
    EXPECT_EQ(sink.lines.size(), 14u);
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
