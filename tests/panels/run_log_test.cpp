// SPDX-License-Identifier: MIT
// The operator's words for the tag engine's failures, and what a failed run's record keeps.
#include <gtest/gtest.h>

#include "panels/core/run_log.h"
#include "testing/recording_sink.h"
#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

using tag::Failure;
using tag::Problem;

class RunLogTexts : public ::testing::Test {
  protected:
    void SetUp() override { text::SetUiLanguage(text::Language::English); }
    void TearDown() override { text::SetUiLanguage(text::Language::Chinese); }
    testing::RecordingSink sink;
};

TEST_F(RunLogTexts, EveryProblemHasItsOwnLine) {
    const std::pair<Failure, const char*> lines[] = {
        {tag::PageFailure(Problem::ReadFailed, 8), "Read faild: Page8 !"},
        {tag::PageFailure(Problem::WriteFailed, 256), "Write faild: Page256 !"},
        {tag::PageFailure(Problem::VerifyFailed, 0x2B, 0x20), "Verify failed: Page43 !"},
        {tag::CallFailure("TyA_NTAG_AnticollSelect", 9), "TyA_NTAG_AnticollSelect"},
        {Failure{Problem::NotNtag}, "Non NTAG card !"},
        {Failure{Problem::ModelUnknown}, "Failed to recognize the tag model !"},
        {Failure{Problem::NotNdef}, "Non-NDEF data format tag !"},
        {Failure{Problem::Locked}, "Tag is locked !"},
        {Failure{Problem::BufferTooSmall}, "Buffer length not enough !"},
        {Failure{Problem::NoPassword}, "The tag does not support password protection !"},
        {Failure{Problem::Auth0Unknown}, "Failed to recognize the AUTH0 address !"},
        {Failure{Problem::DynamicLockUnknown},
         "Failed to recognize the dynamic lock bytes address !"},
        {Failure{Problem::KeyRefused}, "Authentication key fail !"},
    };
    for (const auto& [failure, line] : lines)
        EXPECT_EQ(FailureText(failure), line);

    tag::DetectedTag unknown;
    unknown.model = 0x12;
    unknown.uid = {0x04, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    EXPECT_EQ(IdentificationLine(unknown), ", UID: 04010203040506");
    unknown.model = tag::kNtag216;
    EXPECT_EQ(IdentificationLine(unknown), "NTAG216, UID: 04010203040506");
}

// A failure after the password page took is followed by the key the tag now answers to; that
// last red line, with its status, is what the record keeps. A chosen key is never shown.
TEST_F(RunLogTexts, APasswordThatStandsIsNamedAfterTheFailure) {
    RunLog log;
    log.Begin();
    EXPECT_TRUE(log.failureText().empty());
    Failure verify = tag::PageFailure(Problem::VerifyFailed, 0x2B, 0x09);
    log.Fail(verify);
    EXPECT_EQ(log.failureText(), "Verify failed: Page43 !");
    EXPECT_EQ(log.failureCode(), 0x09);

    verify.passwordStands = true;
    log.Fail(verify, tag::Key{0x01, 0x02, 0x03, 0x04});
    log.Fail(verify, tag::kDefaultKey);
    log.Password(tag::kDefaultKey, feed::kBlue);
    EXPECT_EQ(sink.Texts(),
              (std::vector<std::string>{
                  "Verify failed: Page43 !", "Verify failed: Page43 !",
                  "The tag's password is now the New key !", "Verify failed: Page43 !",
                  "The tag's password is now 7C7C7C7C !", "The tag's password is now 7C7C7C7C !"}));
    EXPECT_EQ(sink.lines[2].colour, feed::kRed);
    EXPECT_EQ(sink.lines[5].colour, feed::kBlue);
    EXPECT_EQ(log.failureText(), "The tag's password is now 7C7C7C7C !");
    EXPECT_EQ(log.failureCode(), 0);

    log.Begin();
    EXPECT_TRUE(log.failureText().empty());
}

}  // namespace
}  // namespace tagwright::panels
