// SPDX-License-Identifier: MIT
#include "sim_store.h"

#include <algorithm>
#include <cstdlib>
#include <random>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "commit_journal.h"
#include "file_lock.h"
#include "hex.h"
#include "queue_file.h"
#include "store_io.h"
#include "store_names.h"
#include "tag_file.h"

namespace cardhost::sim {
namespace fs = std::filesystem;

namespace {

// A state of 16 MiB holds thousands of readers; a tag file of the largest model has 2 KB.
constexpr std::size_t kStateLimit = 16u << 20;
constexpr std::size_t kTagLimit = 64u << 10;

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : nullptr;
}

// The folders above the state directory are the user's business (a state or home folder); the
// state directory and those in it are the simulator's, and only their owner may enter them: tag
// files hold each tag's password in the clear.
void CreateFolder(const fs::path& folder) {
#if defined(_WIN32)
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw SystemRefusal(folder, "cannot be created", error.value());
#else
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return;
    if (errno != ENOENT) throw SystemRefusal(folder, "cannot be created");
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    if (error) throw SystemRefusal(folder.parent_path(), "cannot be created", error.value());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw SystemRefusal(folder, "cannot be created");
    }
#endif
}

// Another user who owns the state directory reads every tag's password and can change the
// simulated tags under the user's programs. A directory of the user's own that others may enter
// (made by an older simulator) is closed to them.
void CheckOwnFolder(const fs::path& folder) {
#if !defined(_WIN32)
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) throw SystemRefusal(folder, "cannot be examined");
    if (!S_ISDIR(info.st_mode)) throw StoreError(folder, "is not a folder");
    if (info.st_uid != ::geteuid()) {
        throw StoreError(folder,
                         "belongs to another user (uid " + std::to_string(info.st_uid) +
                             "), who could read the simulated tags' passwords and change them; "
                             "the simulator keeps its state only in a folder of the user's own",
                         StoreError::Kind::Refusal);
    }
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        throw SystemRefusal(folder, "cannot be closed to other users (chmod 700)");
    }
#else
    (void)folder;
#endif
}

}  // namespace

SimStore::SimStore(fs::path directory) : directory_(std::move(directory)) {}

fs::path SimStore::DefaultDirectory() {
    if (const char* dir = NonEmptyEnv("CARDHOST_SIM_DIR")) return dir;
    if (const char* state = NonEmptyEnv("XDG_STATE_HOME")) return fs::path(state) / "cardhost-sim";
    if (const char* home = NonEmptyEnv("HOME")) {
        return fs::path(home) / ".local" / "state" / "cardhost-sim";
    }
    if (const char* appData = NonEmptyEnv("LOCALAPPDATA")) {
        return fs::path(appData) / "cardhost-sim";
    }
    // A shared folder such as /tmp lets another user make the directory first, or read it.
    throw StoreError(kNoStateFolder, StoreError::Kind::Refusal);
}

fs::path SimStore::Transaction::TagPath(const std::string& uid) const {
    return directory_ / TagFileName(uid);
}

bool SimStore::Transaction::TagExists(const std::string& uid) {
    return Tag(uid) != nullptr;
}

NtagChip* SimStore::Transaction::Tag(const std::string& uid) {
    if (auto it = tags_.find(uid); it != tags_.end()) return &it->second;
    if (!IsUidText(uid)) return nullptr;
    const fs::path path = TagPath(uid);
    if (!StoreEntryExists(path)) return nullptr;
    try {
        std::string text = ReadStoreFile(path, kTagLimit);
        NtagChip* chip = &tags_.emplace(uid, ParseTag(text)).first->second;
        loadedTags_.emplace(uid, std::move(text));
        return chip;
    } catch (const FormatError& error) {
        throw StoreError(path, std::string("damaged tag file, ") + error.what());
    }
}

NtagChip& SimStore::Transaction::RequireTag(const std::string& uid) {
    if (NtagChip* chip = Tag(uid)) return *chip;
    throw StoreError(TagPath(uid), "is missing, though the state names this tag");
}

void SimStore::Transaction::PutTag(const NtagChip& chip) {
    const std::string uid = ToHex(chip.uid());
    tags_.insert_or_assign(uid, chip);
    changedTags_[uid] = true;
}

std::string SimStore::Transaction::NewTag(ChipModel model, Layout layout) {
    static std::random_device entropy;
    std::mt19937_64 random(entropy());
    for (;;) {
        Uid uid{0x04};
        for (std::size_t i = 1; i < uid.size(); ++i) {
            uid[i] = static_cast<std::uint8_t>(random() & 0xFF);
        }
        const std::string text = ToHex(uid);
        if (TagExists(text)) continue;
        PutTag(NtagChip::FactoryNew(model, uid, layout));
        return text;
    }
}

std::vector<std::string> SimStore::Transaction::TagUids() const {
    std::vector<std::string> uids;
    const fs::path folder = directory_ / kTagsFolder;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        if (path.extension() != ".tag") continue;
        if (!IsUidText(path.stem().string())) {
            throw StoreError(path, "a tag file is named after its UID (14 upper-case hex digits)");
        }
        uids.push_back(path.stem().string());
    }
    if (error) throw SystemRefusal(folder, "cannot be read", error.value());
    for (const auto& [uid, changed] : changedTags_) {
        if (changed && std::find(uids.begin(), uids.end(), uid) == uids.end()) uids.push_back(uid);
    }
    std::sort(uids.begin(), uids.end());
    return uids;
}

std::string SimStore::Transaction::QueueEntry(const ReaderRecord& reader, std::uint64_t index) {
    if (const auto it = newQueues_.find(reader.serial); it != newQueues_.end() && it->second) {
        return (*it->second)[static_cast<std::size_t>(index)];
    }
    return ReadQueueEntry(directory_ / QueueFileName(reader.serial), index, reader.queueLength);
}

std::vector<std::string> SimStore::Transaction::QueuedUids(const ReaderRecord& reader) {
    if (reader.QueueWaiting() == 0) return {};
    std::vector<std::string> all;
    if (const auto it = newQueues_.find(reader.serial); it != newQueues_.end() && it->second) {
        all = *it->second;
    } else {
        all = ReadQueue(directory_ / QueueFileName(reader.serial), reader.queueLength);
    }
    return {all.begin() + static_cast<std::ptrdiff_t>(reader.queueHead), all.end()};
}

std::string SimStore::Transaction::PopQueue(ReaderRecord& reader) {
    std::string uid = QueueEntry(reader, reader.queueHead);
    if (++reader.queueHead == reader.queueLength) {  // used up: the file goes
        reader.queueHead = reader.queueLength = 0;
        newQueues_[reader.serial] = std::nullopt;
    }
    MarkStateChanged();
    return uid;
}

void SimStore::Transaction::AppendToQueue(ReaderRecord& reader,
                                          const std::vector<std::string>& uids) {
    std::vector<std::string> queue = QueuedUids(reader);
    if (queue.size() + uids.size() > kQueueLimit) {
        throw StoreError(directory_ / QueueFileName(reader.serial),
                         "would hold more than " + std::to_string(kQueueLimit) + " tags");
    }
    queue.insert(queue.end(), uids.begin(), uids.end());
    reader.queueHead = 0;
    reader.queueLength = queue.size();
    newQueues_[reader.serial] = std::move(queue);
    MarkStateChanged();
}

void SimStore::Transaction::DropQueue(const std::string& serial) {
    newQueues_[serial] = std::nullopt;
}

fs::path ReaderHoldPath(const fs::path& directory, const std::string& serial) {
    const fs::path holds = directory / kHoldsFolder;
    CreateFolder(holds);
    return holds / (SerialFileStem(serial) + ".open");
}

void SimStore::EnsureDirectory() {
    CreateFolder(directory_);
    CheckOwnFolder(directory_);
    for (const char* folder : {kTagsFolder, kQueuesFolder, kPendingFolder}) {
        CreateFolder(directory_ / folder);
    }
}

void SimStore::LoadState(Transaction& tx) {
    const fs::path path = directory_ / kStateFile;
    try {
        tx.state_ = ParseState(ReadStoreFile(path, kStateLimit));
    } catch (const FormatError& error) {
        throw StoreError(path, std::string("damaged state file, ") + error.what());
    }
}

void SimStore::LoadOrCreate(Transaction& tx) {
    if (StoreEntryExists(directory_ / kStateFile)) {
        LoadState(tx);
        return;
    }
    // First use: one reader holding a factory-fresh NTAG213, so everything works at once.
    ReaderRecord reader;
    reader.serial = kFirstReaderSerial;
    reader.fieldUid = tx.NewTag(ChipModel::Ntag213, Layout::Datasheet);
    tx.state_.readers.push_back(reader);
    tx.MarkStateChanged();
}

void SimStore::Commit(Transaction& tx) {
    Publication publication(directory_);
    for (const auto& [uid, changed] : tx.changedTags_) {
        if (!changed) continue;
        if (auto it = tx.tags_.find(uid); it != tx.tags_.end()) {
            std::string text = SerializeTag(it->second);
            const auto loaded = tx.loadedTags_.find(uid);
            if (loaded != tx.loadedTags_.end() && loaded->second == text) continue;
            publication.Write(TagFileName(uid), text);
        }
    }
    for (const auto& [serial, queue] : tx.newQueues_) {
        if (queue) {
            publication.Write(QueueFileName(serial), SerializeQueue(*queue));
        } else {
            publication.Remove(QueueFileName(serial));
        }
    }
    if (tx.stateChanged_) publication.Write(kStateFile, SerializeState(tx.state_));
    publication.Publish();
}

void SimStore::Transact(const std::function<void(Transaction&)>& work) {
    EnsureDirectory();
    FileLock lock(directory_ / "lock");
    FinishInterruptedCommit(directory_);
    Transaction tx(directory_);
    LoadOrCreate(tx);
    work(tx);  // a failing transaction changes nothing on disk
    Commit(tx);
}

void SimStore::Check() {
    EnsureDirectory();
    FileLock lock(directory_ / "lock");
    FinishInterruptedCommit(directory_);
    if (!StoreEntryExists(directory_ / kStateFile)) return;  // the first use makes it
    Transaction tx(directory_);
    LoadState(tx);
    for (const ReaderRecord& reader : tx.state().readers) {
        if (!reader.fieldUid.empty()) tx.RequireTag(reader.fieldUid);
        tx.QueuedUids(reader);
    }
    // Every call a reader passes on writes the state anew: a disk too full for that, or a
    // folder that cannot be written, fails those calls as surely as damage does.
    std::error_code error;
    const auto stateSize = fs::file_size(directory_ / kStateFile, error);
    const fs::path probe = directory_ / kPendingFolder / "probe";
    WriteStoreFile(probe, std::string(error ? 1 : std::max<std::uintmax_t>(stateSize, 1), '\0'));
    RemoveStoreEntry(probe);
}

std::optional<std::string> DescribeStateProblem(const fs::path& directory) {
    try {
        if (!StoreEntryExists(directory)) return std::nullopt;
        SimStore(directory).Check();
        return std::nullopt;
    } catch (const std::exception& error) {  // a StoreError names the file already
        return std::string(error.what());
    }
}

}  // namespace cardhost::sim
