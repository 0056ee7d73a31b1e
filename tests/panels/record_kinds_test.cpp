// SPDX-License-Identifier: MIT
// One battery over the three record kinds (Text, URL, SmartPoster): what every panel must do the
// same way, each with its own message, its own size limit and its own words for a message too
// long.
#include <gtest/gtest.h>

#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using panels::PanelKind;
using panels::RunResult;

struct RecordKind {
    const char* name;
    PanelKind kind;
    // The panel's fields for a message whose text (or URL) is `text`.
    void (*fill)(FakePanel& panel, const std::string& text);
    // Whether the panel shows, after a Read, the message that `fill` gave it.
    bool (*shows)(const FakePanel& panel, const std::string& text);
    std::size_t longestOnNtag213;  // the longest text whose message a plain NTAG213 holds
    const char* tooLong;           // the red line for one byte more
};

void FillText(FakePanel& panel, const std::string& text) {
    panel.content = text;
}
bool ShowsText(const FakePanel& panel, const std::string& text) {
    return panel.shownText == text;
}
void FillUrl(FakePanel& panel, const std::string& text) {
    panel.prefix = 4;  // "https://"
    panel.content = text;
}
bool ShowsUrl(const FakePanel& panel, const std::string& text) {
    return panel.shownUrl == text && panel.shownPrefix == 4;
}
void FillPoster(FakePanel& panel, const std::string& text) {
    FillUrl(panel, text);
    panel.title = "标题";
}
bool ShowsPoster(const FakePanel& panel, const std::string& text) {
    return ShowsUrl(panel, text) && panel.shownTitle == "标题";
}

const RecordKind kKinds[] = {
    {"Text", PanelKind::Text, FillText, ShowsText, 134, "Data length exceeds 1 bytes !"},
    {"Url", PanelKind::Url, FillUrl, ShowsUrl, 134, "The data length is out of range !"},
    {"SmartPoster", PanelKind::SmartPoster, FillPoster, ShowsPoster, 109,
     "The data length is out of range !"},
};

class RecordKinds : public PanelRig, public ::testing::WithParamInterface<RecordKind> {
  protected:
    RunResult Write(const std::string& text) {
        results.clear();
        GetParam().fill(panel, text);
        Controller(GetParam().kind).OnWrite();
        return results.empty() ? RunResult::Refused : results.back();
    }
    bool ReadsBack(const std::string& text) {
        panel.ForgetShown();
        controller->OnRead();
        return GetParam().shows(panel, text);
    }
};

TEST_P(RecordKinds, RoundTripsOnEveryModelAndLayout) {
    for (const char* model : {"NTAG203", "NTAG210", "NTAG212", "NTAG213", "NTAG215", "NTAG216"}) {
        for (const char* layout : {"plain", "datasheet"}) {
            SCOPED_TRACE(std::string(model) + " " + layout);
            NewTag(model, layout);
            panel = FakePanel{};  // the NTAG210 holds 13 bytes of a poster with this title
            ASSERT_EQ(Write("中.example"), RunResult::Succeeded) << Texts().back();
            EXPECT_TRUE(ReadsBack("中.example"));
            EXPECT_EQ(RedLines(), 0) << Texts().back();
        }
    }
}

TEST_P(RecordKinds, TheLongestMessageFitsAndOneByteMoreIsRefusedUntouched) {
    const std::string uid = NewTag("NTAG213");
    const std::string longest(GetParam().longestOnNtag213, 'x');
    ASSERT_EQ(Write(longest), RunResult::Succeeded) << Texts().back();
    EXPECT_EQ(Texts().back(), "Write data succeed: " + longest);
    const auto writesBefore = CommandCount("TyA_NTAG_Write");
    EXPECT_EQ(Write(longest + "x"), RunResult::Failed);
    EXPECT_EQ(Texts().back(), GetParam().tooLong);
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), writesBefore);  // nothing written
    EXPECT_TRUE(ReadsBack(longest));
}

// The message's last page lies in a later READ block than page 4: verification checks it too.
TEST_P(RecordKinds, VerificationReadsBackTheLastPageOfTheMessage) {
    panel.verify = true;
    const std::string url = "example.com/a/path/long/enough/to/span/two/blocks";
    NewTag("NTAG215");
    ASSERT_EQ(Write(url), RunResult::Succeeded) << Texts().back();
    const std::size_t pages = (Pages(FieldUid(), 4, 40)[1] + 2 + 1 + 3) / 4;  // TLV + terminator
    NewTag("NTAG215");
    const std::string lastPage = std::to_string(4 + pages - 1);
    SimOk({"fault", "weak", "--reader", "SIM-0001", "--page", lastPage});
    EXPECT_EQ(Write(url), RunResult::Failed);
    EXPECT_EQ(Texts().back(), "Verify failed: Page" + lastPage + " !");
}

// Protection and lock come after the message whatever its kind; the tag still reads.
TEST_P(RecordKinds, APasswordAndTheLockFollowTheMessageAndTheTagStillReads) {
    const std::string uid = NewTag("NTAG213", "datasheet");
    panel.encrypt = true;
    panel.lock = true;
    panel.newKey = "11223344";
    ASSERT_EQ(Write("final.example"), RunResult::Succeeded) << Texts().back();
    const auto lines = Texts();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"The tag's password is now the New key !",
                                        "Encryption successful !", "Lock tag success !"}));
    EXPECT_TRUE(ReadsBack("final.example"));
    panel.encrypt = false;
    panel.lock = false;
    panel.originalKey = "11223344";
    EXPECT_EQ(Write("changed.example"), RunResult::Failed);
    EXPECT_EQ(Texts().back(), "Write faild: Page4 !");
    EXPECT_TRUE(ReadsBack("final.example"));
}

INSTANTIATE_TEST_SUITE_P(EveryPanel, RecordKinds, ::testing::ValuesIn(kKinds),
                         [](const auto& kind) { return std::string(kind.param.name); });

}  // namespace
}  // namespace tagwright::testing
