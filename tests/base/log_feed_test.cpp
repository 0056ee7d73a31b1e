// SPDX-License-Identifier: MIT
// The log feed: numbering, colours, the error-code and reader-error formats, both languages.
#include <gtest/gtest.h>

#include "log/log_feed.h"
#include "testing/recording_sink.h"
#include "text/text_tables.h"

namespace tagwright::feed {
namespace {

using testing::RecordingSink;
using text::Language;

class LogFeed : public ::testing::Test {
  protected:
    void TearDown() override { text::SetUiLanguage(Language::Chinese); }
    RecordingSink sink;
};

TEST_F(LogFeed, LinesAreNumberedFromOneAfterEveryClear) {
    AppendLog(0, "first", kBlue);
    AppendLog(0, "second", kRed);
    AppendLog(10, "TyA_Request", kRed);
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[2].number, 3);
    EXPECT_EQ(sink.lines[2].text, "TyA_Request");
    EXPECT_EQ(FormatErrorCode(sink.lines[2].code), "Error Code: 0x0a");
    EXPECT_EQ(sink.lines[1].colour, kRed);
    ClearLog();
    EXPECT_TRUE(sink.lines.empty());
    AppendLog(0, "again", kBlue);
    EXPECT_EQ(sink.lines[0].number, 1);
}

TEST_F(LogFeed, ErrorCodeFormat) {
    EXPECT_EQ(FormatErrorCode(0), "");
    EXPECT_EQ(FormatErrorCode(1), "Error Code: 0x01");
    EXPECT_EQ(FormatErrorCode(0x20), "Error Code: 0x20");
    EXPECT_EQ(FormatErrorCode(0x1234), "Error Code: 0x1234");
    EXPECT_EQ(FormatErrorCode(-2), "Error Code: 0xfffffffe");
}

TEST_F(LogFeed, ReaderErrorTextInBothLanguagesGoesToTheTipsFieldInRed) {
    text::SetUiLanguage(Language::English);
    ShowCallError(1, "Sys_Open");
    EXPECT_EQ(sink.status, "Error:0x01,Function:Sys_Open");
    EXPECT_EQ(sink.statusColour, kRed);
    text::SetUiLanguage(Language::Chinese);
    ShowCallError(2, "Sys_Close");
    EXPECT_EQ(sink.status, "错误:0x02,函数:Sys_Close");
    ShowStatus("ok", kBlue);
    EXPECT_EQ(sink.statusColour, kBlue);
    EXPECT_TRUE(sink.lines.empty());  // the Tips field is not the log
}

TEST_F(LogFeed, WithoutASinkNothingHappensButNumberingGoesOn) {
    SetLogSink(nullptr);
    ClearLog();
    AppendLog(0, "unseen", kBlue);
    SetLogSink(&sink);
    AppendLog(0, "seen", kBlue);
    EXPECT_EQ(sink.lines.back().number, 2);
}

}  // namespace
}  // namespace tagwright::feed
