// SPDX-License-Identifier: MIT
#include "queue_file.h"

#include "sim_state.h"
#include "store_error.h"
#include "store_io.h"
#include "store_names.h"

namespace cardhost::sim {
namespace {

std::string UidOfLine(const std::filesystem::path& path, std::string_view line,
                      std::uint64_t index) {
    const std::string_view uid = line.substr(0, kQueueLineSize - 1);
    if (line.size() != kQueueLineSize || line.back() != '\n' || !IsUidText(uid)) {
        throw StoreError(path, "line " + std::to_string(index + 1) + " is not a UID");
    }
    return std::string(uid);
}

}  // namespace

std::string SerializeQueue(const std::vector<std::string>& uids) {
    std::string text;
    text.reserve(uids.size() * kQueueLineSize);
    for (const std::string& uid : uids) {
        text += uid;
        text += '\n';
    }
    return text;
}

std::vector<std::string> ReadQueue(const std::filesystem::path& path, std::uint64_t length) {
    const std::string text = ReadStoreFile(path, kQueueLimit * kQueueLineSize);
    if (text.size() != length * kQueueLineSize) {
        throw StoreError(path, "holds " + std::to_string(text.size()) + " bytes, not the " +
                                   std::to_string(length) + " UIDs the state counts");
    }
    std::vector<std::string> uids;
    uids.reserve(static_cast<std::size_t>(length));
    for (std::uint64_t i = 0; i < length; ++i) {
        uids.push_back(
            UidOfLine(path, std::string_view(text).substr(i * kQueueLineSize, kQueueLineSize), i));
    }
    return uids;
}

std::string ReadQueueEntry(const std::filesystem::path& path, std::uint64_t index,
                           std::uint64_t length) {
    const std::string line =
        ReadStoreFileAt(path, index * kQueueLineSize, kQueueLineSize, length * kQueueLineSize);
    return UidOfLine(path, line, index);
}

}  // namespace cardhost::sim
