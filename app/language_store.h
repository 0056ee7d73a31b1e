// SPDX-License-Identifier: MIT
// Where the UI language is kept: [AppInfo] Language of AppConfig.ini beside the program.
//
// Only "EN" selects English; anything else, an empty or missing key, or a missing file selects
// Chinese. The program writes only into a file that exists. An installed copy beside the program
// may not be writable by the operator: then the choice goes into a file of the same form in the
// operator's configuration folder, which is read first while the file beside the program stays
// unwritable, so a language change never silently does nothing.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "text/text_tables.h"

namespace tagwright::app {

class LanguageStore {
  public:
    virtual ~LanguageStore() = default;
    virtual text::Language Load() const = 0;
    // Stores "EN" or "CN"; false when there was nowhere to store it.
    virtual bool Save(text::Language language) = 0;
};

// Whether an existing file may be written by this process.
bool FileWritable(const std::filesystem::path& file);

class AppConfigLanguageStore : public LanguageStore {
  public:
    // Whether a file may be written; the default asks the file system.
    using WritableCheck = std::function<bool(const std::filesystem::path&)>;

    AppConfigLanguageStore(std::filesystem::path besideProgram, std::filesystem::path userCopy,
                           WritableCheck writable = FileWritable)
        : beside_(std::move(besideProgram)),
          user_(std::move(userCopy)),
          writable_(std::move(writable)) {}

    text::Language Load() const override;
    bool Save(text::Language language) override;

    // The file whose value counts now.
    const std::filesystem::path& EffectiveFile() const;

  private:
    bool BesideWritable() const;

    std::filesystem::path beside_, user_;
    WritableCheck writable_;
};

// AppConfig.ini beside the running program, with the user copy in
// $XDG_CONFIG_HOME/Varnholt/Tagwright/AppConfig.ini (~/.config when the variable is unset).
AppConfigLanguageStore ProgramLanguageStore();

inline constexpr std::string_view kAppConfigFileName = "AppConfig.ini";

// "EN" selects English; the comparison is exact.
text::Language LanguageFromValue(std::string_view value);
std::string_view LanguageValue(text::Language language);

}  // namespace tagwright::app
