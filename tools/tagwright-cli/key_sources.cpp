// SPDX-License-Identifier: MIT
#include "key_sources.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tools/common/arguments.h"

namespace tagwright::cli {
namespace {

using tools::UsageError;

constexpr std::uintmax_t kMaxKeyFile = 4096;

std::string Trimmed(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
    }
    const std::size_t start = line.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : line.substr(start);
}

}  // namespace

std::string CheckedKey(const std::string& text, const std::string& source) {
    const bool hex =
        text.size() == 8 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if (!hex) throw UsageError(source + " takes exactly 8 hexadecimal digits");
    return text;
}

KeyTexts ReadKeyFile(const std::filesystem::path& file) {
    const std::string name = "--key-file " + file.string();
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) throw UsageError(name + ": cannot be read");
    if (!S_ISREG(info.st_mode)) throw UsageError(name + ": not a regular file");
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(info.st_mode & 07777));
        throw UsageError(name + ": mode " + mode +
                         " lets other users read or change the keys; use chmod 600 " +
                         file.string());
    }
    if (std::uintmax_t(info.st_size) > kMaxKeyFile) throw UsageError(name + ": too large");
    std::ifstream in(file);
    if (!in) throw UsageError(name + ": cannot be read");
    KeyTexts keys;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = Trimmed(line);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        const std::string field = Trimmed(line.substr(0, equals));
        const std::string where = name + " line " + std::to_string(number);
        if (equals == std::string::npos || (field != "original-key" && field != "new-key")) {
            // The line itself is not repeated: it may hold a key.
            throw UsageError(where + ": expected original-key=HEX or new-key=HEX");
        }
        const std::string value = CheckedKey(Trimmed(line.substr(equals + 1)), where);
        (field == "original-key" ? keys.original : keys.newKey) = value;
    }
    return keys;
}

KeyTexts KeysFromEnvironment() {
    KeyTexts keys;
    if (const char* original = std::getenv(kOriginalKeyVariable)) {
        keys.original = CheckedKey(original, kOriginalKeyVariable);
    }
    if (const char* newKey = std::getenv(kNewKeyVariable)) {
        keys.newKey = CheckedKey(newKey, kNewKeyVariable);
    }
    return keys;
}

}  // namespace tagwright::cli
