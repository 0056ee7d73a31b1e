// SPDX-License-Identifier: MIT
#include "menus.h"

namespace tagwright::text {
namespace {

using K = MenuItem::Kind;

constexpr MenuItem kMainMenu[] = {
    {K::Popup, 0, "文件(&F)", "File(&F)"},
    {K::Command, command::kJournal, "日志(&J)...", "&Journal..."},
    {K::Command, command::kExit, "退出(&X)", "E&xit"},
    {K::EndPopup, 0, "", ""},
    {K::Popup, 0, "功能(&U)", "Function(&U)"},
    {K::Command, command::kNfcText, "NFC文本(&T)", "NFC &Text"},
    {K::Command, command::kNfcUrl, "NFC网址(&U)", "NFC &URL"},
    {K::Command, command::kSmartPoster, "智能海报(&S)", "&SmartPoster"},
    {K::EndPopup, 0, "", ""},
    {K::Popup, 0, "设置(&S)", "Set(&S)"},
    {K::Popup, 0, "语言(&L)", "&Language"},
    {K::Command, command::kChinese, "中文(&C)", "&Chinese"},
    {K::Command, command::kEnglish, "英文(&E)", "&English"},
    {K::EndPopup, 0, "", ""},
    {K::EndPopup, 0, "", ""},
    {K::Popup, 0, "帮助(&H)", "Help(&H)"},
    {K::Command, command::kAbout, "关于Tagwright...", "&About Tagwright..."},
    {K::EndPopup, 0, "", ""},
};

constexpr MenuItem kContextMenu[] = {
    {K::Command, command::kCopyAll, "复制全部", "Copy all"},
    {K::Command, command::kClearAll, "删除全部", "Clear all"},
    {K::Separator, 0, "", ""},
    {K::Command, command::kUndo, "撤销", "Undo"},
    {K::Separator, 0, "", ""},
    {K::Command, command::kCut, "剪切", "Cut"},
    {K::Command, command::kCopy, "复制", "Copy"},
    {K::Command, command::kPaste, "粘贴", "Paste"},
    {K::Command, command::kClear, "删除", "Clear"},
    {K::Separator, 0, "", ""},
    {K::Command, command::kSelectAll, "全选", "Select all"},
    {K::Separator, 0, "", ""},
};

}  // namespace

std::span<const MenuItem> MainMenu() {
    return kMainMenu;
}
std::span<const MenuItem> ContextMenu() {
    return kContextMenu;
}

}  // namespace tagwright::text
