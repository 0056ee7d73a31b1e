// SPDX-License-Identifier: MIT
#include "private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tagwright::app {
namespace {

std::string Reason(const std::filesystem::path& path) {
    return path.string() + ": " + std::strerror(errno);
}

}  // namespace

std::filesystem::path PrivateDataFolder(std::string& problem) {
    // A relative XDG_DATA_HOME is to be ignored, and a relative HOME would name the working
    // directory, which anyone may share.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::filesystem::path(data) / "Tagwright";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".local" / "share" / "Tagwright";
    }
    problem =
        "no private folder for the journal: neither XDG_DATA_HOME nor HOME is an absolute path";
    return {};
}

bool MakeFolders(const std::filesystem::path& folder, std::string& error) {
    std::vector<std::filesystem::path> missing;
    struct stat info {};
    for (auto p = folder; !p.empty() && ::lstat(p.c_str(), &info) != 0; p = p.parent_path()) {
        if (errno != ENOENT) {
            error = Reason(p);
            return false;
        }
        missing.push_back(p);
        if (p == p.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            error = Reason(*it);
            return false;
        }
    }
    return true;
}

bool MakePrivateFolder(const std::filesystem::path& folder, std::string& error) {
    if (!MakeFolders(folder, error)) return false;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        error = Reason(folder);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder.string() + ": not a folder";
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        error = folder.string() + " belongs to another user";
        return false;
    }
    // A folder an earlier version made 0755.
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        error = Reason(folder);
        return false;
    }
    return true;
}

}  // namespace tagwright::app
