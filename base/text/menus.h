// SPDX-License-Identifier: MIT
// The main menu and the text fields' context menu in both languages, as data.
#pragma once

#include <span>
#include <string_view>

#include "text_tables.h"

namespace tagwright::text {

struct MenuItem {
    enum class Kind { Popup, Command, Separator, EndPopup };
    Kind kind;
    int commandId;  // 0 for popups and separators
    std::string_view chinese;
    std::string_view english;

    std::string_view In(Language language) const {
        return language == Language::English ? english : chinese;
    }
};

// Command ids of the menus.
namespace command {
inline constexpr int kExit = 57665, kNfcText = 32772, kNfcUrl = 32779, kSmartPoster = 32771,
                     kChinese = 32785, kEnglish = 32786, kAbout = 57664, kJournal = 32790;
inline constexpr int kCopyAll = 32771, kClearAll = 57633, kUndo = 57643, kCut = 57635,
                     kCopy = 57634, kPaste = 57637, kClear = 57632, kSelectAll = 57642;
}  // namespace command

// Nested popups are bracketed by Popup ... EndPopup.
std::span<const MenuItem> MainMenu();
std::span<const MenuItem> ContextMenu();

}  // namespace tagwright::text
