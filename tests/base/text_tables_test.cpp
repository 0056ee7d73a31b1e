// SPDX-License-Identifier: MIT
// The bilingual tables hold every text exactly, and lookups follow the UI language.
#include <gtest/gtest.h>

#include <set>

#include "text/menus.h"
#include "text/text_tables.h"

namespace tagwright::text {
namespace {

TEST(TextTables, LookupsFollowTheLanguage) {
    EXPECT_EQ(Lookup(Table::Message, msg::kReadFailedPage, Language::English),
              "Read faild: Page%d !");
    EXPECT_EQ(Lookup(Table::Message, msg::kReadFailedPage, Language::Chinese), "读失败: Page%d !");
    EXPECT_EQ(Lookup(Table::DeviceBar, bar::kDevice, Language::Chinese), " 设 备:");
    EXPECT_EQ(Lookup(Table::DeviceBar, bar::kActionType, Language::Chinese), "  操作类别:");
    EXPECT_EQ(Lookup(Table::General, 2, Language::English), "");  // no such entry
    EXPECT_EQ(Lookup(Table::Message, msg::kUidPrefix, Language::Chinese), "UID: ");

    SetUiLanguage(Language::English);
    EXPECT_EQ(Tr(Table::Navigation, nav::kSmartPoster), "SmartPoster");
    EXPECT_EQ(TrNumber(Table::Message, msg::kDataLengthExceeds, 1),
              "Data length exceeds 1 bytes !");
    SetUiLanguage(Language::Chinese);
    EXPECT_EQ(TrNumber(Table::Message, msg::kWriteFailedPage, 43), "写失败: Page43 !");
    EXPECT_EQ(TrText(Table::Message, msg::kPasswordIsNow, "0A0B0C0D"), "标签密码现为 0A0B0C0D !");
    EXPECT_EQ(TrNumber(Table::Message, msg::kTagAlreadyReceivedRow, 7),
              "此标签已写入本批次第7行, 拒绝再写!");
    EXPECT_EQ(Lookup(Table::Message, msg::kTagAlreadyHoldsRow, Language::English),
              "The tag already holds row %d !");
    EXPECT_EQ(TrNumber(Table::Message, msg::kVerifyFailedPage, 5), "校验失败: Page5 !");
    EXPECT_EQ(Tr(Table::Message, msg::kNoPasswordSupport), "该标签不支持密码保护!");
    // Numbered values keep their meaning where a language moves them.
    EXPECT_EQ(TrArgs(Table::General, general::kPreflightIntro, {"5", "9", "2", "NTAG213"}),
              "第5至9行中有2行写入NTAG213时会失败:");
    SetUiLanguage(Language::English);
    EXPECT_EQ(TrNumber(Table::Message, msg::kVerifyFailedPage, 43), "Verify failed: Page43 !");
    EXPECT_EQ(TrText(Table::Message, msg::kTemplateError, "unknown field {id}"),
              "Template error: unknown field {id} !");
    EXPECT_EQ(TrArgs(Table::General, general::kPreflightIntro, {"5", "9", "2", "NTAG213"}),
              "2 of the rows 5 to 9 would fail on an NTAG213:");
    EXPECT_EQ(Tr(Table::Message, msg::kNoPasswordSupport),
              "The tag does not support password protection !");
}

TEST(TextTables, EveryTableHasBothLanguagesAndUniqueEntries) {
    const std::pair<Table, std::size_t> sizes[] = {
        {Table::Navigation, 5}, {Table::DeviceBar, 6},     {Table::Label, 45},
        {Table::Tip, 12},       {Table::DeviceMessage, 2}, {Table::ResultFragment, 2},
        {Table::General, 28},   {Table::Message, 46},      {Table::JournalColumn, 22}};
    for (const auto& [table, size] : sizes) {
        const auto entries = Entries(table);
        EXPECT_EQ(entries.size(), size);
        std::set<int> numbers;
        for (const Entry& e : entries) {
            EXPECT_TRUE(numbers.insert(e.number).second) << e.english;
            EXPECT_FALSE(e.english.empty());
            EXPECT_FALSE(e.chinese.empty());
        }
    }
}

TEST(TextTables, MenusCarryTheirIdsAndBothCaptions) {
    int commands = 0;
    int depth = 0;
    for (const MenuItem& item : MainMenu()) {
        if (item.kind == MenuItem::Kind::Popup) ++depth;
        if (item.kind == MenuItem::Kind::EndPopup) --depth;
        if (item.kind == MenuItem::Kind::Command) ++commands;
        EXPECT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(commands, 8);
    const auto context = ContextMenu();
    ASSERT_EQ(context.size(), 12u);
    EXPECT_EQ(context[0].commandId, 32771);
    EXPECT_EQ(context[0].In(Language::Chinese), "复制全部");
    EXPECT_EQ(context.back().kind, MenuItem::Kind::Separator);
}

}  // namespace
}  // namespace tagwright::text
