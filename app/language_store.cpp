// SPDX-License-Identifier: MIT
#include "language_store.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "ini_file.h"
#include "reader/binding.h"

namespace tagwright::app {

namespace {

constexpr std::string_view kSection = "AppInfo", kKey = "Language";

bool Exists(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

}  // namespace

text::Language LanguageFromValue(std::string_view value) {
    return value == "EN" ? text::Language::English : text::Language::Chinese;
}

std::string_view LanguageValue(text::Language language) {
    return language == text::Language::English ? "EN" : "CN";
}

bool FileWritable(const std::filesystem::path& file) {
    // Opening an existing file for append changes nothing and tells whether a write would be
    // allowed.
    std::ofstream probe(file, std::ios::binary | std::ios::app);
    return bool(probe);
}

bool AppConfigLanguageStore::BesideWritable() const {
    return writable_(beside_);
}

const std::filesystem::path& AppConfigLanguageStore::EffectiveFile() const {
    if (Exists(beside_) && !BesideWritable() && Exists(user_)) return user_;
    return beside_;
}

text::Language AppConfigLanguageStore::Load() const {
    // A missing file reads as "CN", the built-in default.
    return LanguageFromValue(ReadIniValue(EffectiveFile(), kSection, kKey).value_or("CN"));
}

bool AppConfigLanguageStore::Save(text::Language language) {
    const std::string_view value = LanguageValue(language);
    if (!Exists(beside_)) return false;  // never created
    if (BesideWritable()) return WriteIniValue(beside_, kSection, kKey, value);
    std::error_code ec;
    std::filesystem::create_directories(user_.parent_path(), ec);
    return WriteIniValue(user_, kSection, kKey, value, /*create=*/true);
}

AppConfigLanguageStore ProgramLanguageStore() {
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        config = std::filesystem::path(home) / ".config";
    }
    return AppConfigLanguageStore(reader::ExecutableDirectory() / kAppConfigFileName,
                                  config / "Varnholt" / "Tagwright" / kAppConfigFileName);
}

}  // namespace tagwright::app
