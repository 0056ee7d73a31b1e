// SPDX-License-Identifier: MIT
// Where tagwright-cli takes the Original and New keys from besides the command line, where any
// user of the machine can read them in the process listing: a key file that only its owner may
// read (--key-file), or the environment (TAGWRIGHT_ORIGINAL_KEY, TAGWRIGHT_NEW_KEY).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tagwright::cli {

inline constexpr const char* kOriginalKeyVariable = "TAGWRIGHT_ORIGINAL_KEY";
inline constexpr const char* kNewKeyVariable = "TAGWRIGHT_NEW_KEY";

// Wiped when it goes: the texts are keys.
struct KeyTexts {
    KeyTexts() = default;
    KeyTexts(const KeyTexts&) = default;
    KeyTexts& operator=(const KeyTexts&) = default;
    ~KeyTexts();
    std::optional<std::string> original, newKey;
};

// Lines "original-key=HEX" and "new-key=HEX"; blank lines and lines starting with # are skipped.
// Throws tools::UsageError when the file is a symbolic link or not a regular file, belongs to
// another user than the one running the program, can be read or written by anyone but its owner
// (mode 0600 or stricter), or holds anything else. Each key is checked as the options check
// theirs.
KeyTexts ReadKeyFile(const std::filesystem::path& file);

// The lines of a key file's text, as ReadKeyFile reads them; errors are named after `name` and
// a line number, never with the line's text.
KeyTexts ParseKeyText(std::string_view text, const std::string& name);

// The two environment variables, when set.
KeyTexts KeysFromEnvironment();

// Exactly eight hexadecimal digits: a longer key would otherwise be cut without a word. Throws
// tools::UsageError naming `source`.
std::string CheckedKey(const std::string& text, const std::string& source);

}  // namespace tagwright::cli
