// SPDX-License-Identifier: MIT
#include "fingerprint_secret.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "private_folder.h"

namespace tagwright::app {
namespace {

constexpr std::size_t kSecretBytes = 32;

std::string Reason(const std::filesystem::path& path) {
    return path.string() + ": " + std::strerror(errno);
}

// Nothing, and no error, when the file does not exist.
std::optional<std::string> ReadSecret(const std::filesystem::path& file, std::string& error) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) error = Reason(file);
        return std::nullopt;
    }
    std::string secret(kSecretBytes, '\0');
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = Reason(file);
    } else if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        error = file.string() + ": not a file of this user's alone";
    } else if (info.st_size != off_t(kSecretBytes) ||
               ::read(fd, secret.data(), kSecretBytes) != ssize_t(kSecretBytes)) {
        error = file.string() + ": not a secret of " + std::to_string(kSecretBytes) + " bytes";
    }
    ::close(fd);
    if (!error.empty()) return std::nullopt;
    return secret;
}

// Made whole under another name and linked into place, so that a reader never finds it half
// written and of two programs making it at once, one wins.
bool MakeSecret(const std::filesystem::path& file, std::string& error) {
    // Appended piece by piece: GCC 12 at -O3 takes `"." + std::string&&` for an overlapping
    // copy (-Wrestrict).
    std::string draft = file.string();
    draft += '.';
    draft += std::to_string(::getpid());
    const int fd =
        ::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = Reason(draft);
        return false;
    }
    std::string secret(kSecretBytes, '\0');
    const bool ok = ::getrandom(secret.data(), kSecretBytes, 0) == ssize_t(kSecretBytes) &&
                    ::write(fd, secret.data(), kSecretBytes) == ssize_t(kSecretBytes) &&
                    ::fsync(fd) == 0;
    if (!ok) error = Reason(draft);
    ::close(fd);
    if (ok && ::link(draft.c_str(), file.c_str()) != 0 && errno != EEXIST) {
        error = Reason(file);
    }
    ::unlink(draft.c_str());
    return error.empty();
}

}  // namespace

std::optional<std::string> FingerprintSecret(std::string& error) {
    const std::filesystem::path folder = PrivateDataFolder(error);
    if (folder.empty() || !MakePrivateFolder(folder, error)) return std::nullopt;
    const std::filesystem::path file = folder / "key-fingerprint.secret";
    if (auto secret = ReadSecret(file, error)) return secret;
    if (!error.empty() || !MakeSecret(file, error)) return std::nullopt;
    auto made = ReadSecret(file, error);
    // Removed again between its making and its reading: still no secret, and the caller must
    // know that, not take nothing for a secret.
    if (!made && error.empty()) error = file.string() + ": removed while it was made";
    return made;
}

}  // namespace tagwright::app
