// SPDX-License-Identifier: MIT
// The initialization-file form of AppConfig.ini: "[Section]" lines and "key=value" lines.
// Section and key names match without regard to case, as the Windows profile functions do.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tagwright::app {

// The value of `key` in `section`, trimmed; "" when the file has no such key; nothing when the
// file cannot be read (missing).
std::optional<std::string> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view key);

// Sets `key` in `section` of an existing file, keeping every other line as it was; adds the key
// (and the section) when missing. Never creates the file unless `create` is set. False when the
// file is missing (and not to be created) or cannot be written.
bool WriteIniValue(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, std::string_view value, bool create = false);

}  // namespace tagwright::app
