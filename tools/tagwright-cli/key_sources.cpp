// SPDX-License-Identifier: MIT
#include "key_sources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "secrets/wipe.h"
#include "tools/common/arguments.h"

namespace tagwright::cli {
namespace {

using tools::UsageError;

constexpr std::size_t kMaxKeyFile = 4096;

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    const std::size_t start = line.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

// Closes the key file however reading it ends.
struct OpenFile {
    int fd;
    ~OpenFile() { ::close(fd); }
};

// The file is judged by what was opened, never by its name looked at first: a name can be
// swapped for a FIFO, a link or another user's file between the look and the open. Opening
// without blocking keeps a FIFO from hanging the program; a link is not followed at all.
int OpenKeyFile(const std::filesystem::path& file, const std::string& name) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) return fd;
    if (errno == ELOOP) throw UsageError(name + ": is a symbolic link; name the file itself");
    throw UsageError(name + ": cannot be read");
}

// Only the user running the program may have chosen the keys or read them.
void CheckOwnerOnly(const struct stat& info, const std::filesystem::path& file,
                    const std::string& name) {
    if (!S_ISREG(info.st_mode)) throw UsageError(name + ": not a regular file");
    if (info.st_uid != ::geteuid()) {
        throw UsageError(name + ": belongs to another user, who could choose the keys; use a " +
                         "file of your own");
    }
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(info.st_mode & 07777));
        throw UsageError(name + ": mode " + mode +
                         " lets other users read or change the keys; use chmod 600 " +
                         file.string());
    }
    if (std::uintmax_t(info.st_size) > kMaxKeyFile) throw UsageError(name + ": too large");
}

// The whole file, one byte more than allowed showing a file that grew after it was examined.
std::string ReadAll(int fd, const std::string& name) {
    std::string contents(kMaxKeyFile + 1, '\0');
    std::size_t got = 0;
    while (got < contents.size()) {
        const ssize_t n = ::read(fd, contents.data() + got, contents.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            secrets::Wipe(contents);
            throw UsageError(name + ": cannot be read");
        }
        if (n == 0) break;
        got += std::size_t(n);
    }
    if (got > kMaxKeyFile) {
        secrets::Wipe(contents);
        throw UsageError(name + ": too large");
    }
    contents.resize(got);
    return contents;
}

}  // namespace

KeyTexts ParseKeyText(std::string_view text, const std::string& name) {
    KeyTexts keys;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        const std::string_view field = Trimmed(line.substr(0, equals));
        const std::string where = name + " line " + std::to_string(number);
        if (equals == std::string_view::npos || (field != "original-key" && field != "new-key")) {
            // The line itself is not repeated: it may hold a key.
            throw UsageError(where + ": expected original-key=HEX or new-key=HEX");
        }
        std::string value(Trimmed(line.substr(equals + 1)));
        const secrets::WipeOnExit wipeValue(value);
        (field == "original-key" ? keys.original : keys.newKey) = CheckedKey(value, where);
    }
    return keys;
}

KeyTexts::~KeyTexts() {
    secrets::Wipe(original);
    secrets::Wipe(newKey);
}

std::string CheckedKey(const std::string& text, const std::string& source) {
    const bool hex =
        text.size() == 8 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if (!hex) throw UsageError(source + " takes exactly 8 hexadecimal digits");
    return text;
}

KeyTexts ReadKeyFile(const std::filesystem::path& file) {
    const std::string name = "--key-file " + file.string();
    const OpenFile opened{OpenKeyFile(file, name)};
    struct stat info {};
    if (::fstat(opened.fd, &info) != 0) throw UsageError(name + ": cannot be read");
    CheckOwnerOnly(info, file, name);
    std::string contents = ReadAll(opened.fd, name);
    const secrets::WipeOnExit wipeContents(contents);
    return ParseKeyText(contents, name);
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
