// SPDX-License-Identifier: MIT
#include "store_names.h"

#include <cstdint>

#include "hex.h"

namespace cardhost::sim {
namespace {

bool IsUpperHex(std::string_view text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return !text.empty() && text.size() % 2 == 0;
}

// `relative` is folder/<stem><extension>; the stem is returned when it is.
bool SplitName(std::string_view relative, std::string_view folder, std::string_view extension,
               std::string_view& stem) {
    if (!relative.starts_with(folder) || relative.size() <= folder.size() ||
        relative[folder.size()] != '/' || !relative.ends_with(extension)) {
        return false;
    }
    const std::size_t start = folder.size() + 1;
    if (relative.size() < start + extension.size()) return false;
    stem = relative.substr(start, relative.size() - start - extension.size());
    return true;
}

}  // namespace

bool IsUidText(std::string_view text) {
    return text.size() == 14 && IsUpperHex(text);
}

std::string SerialFileStem(std::string_view serial) {
    return ToHex({reinterpret_cast<const std::uint8_t*>(serial.data()), serial.size()});
}

std::string TagFileName(std::string_view uid) {
    return std::string(kTagsFolder) + "/" + std::string(uid) + ".tag";
}

std::string QueueFileName(std::string_view serial) {
    return std::string(kQueuesFolder) + "/" + SerialFileStem(serial) + ".queue";
}

bool IsStoreFileName(std::string_view relative) {
    if (relative == kStateFile) return true;
    std::string_view stem;
    if (SplitName(relative, kTagsFolder, ".tag", stem)) return IsUidText(stem);
    return SplitName(relative, kQueuesFolder, ".queue", stem) && IsUpperHex(stem);
}

}  // namespace cardhost::sim
