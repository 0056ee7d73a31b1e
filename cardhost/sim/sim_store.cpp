#include "sim_store.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "file_lock.h"
#include "hex.h"
#include "tag_file.h"

#if defined(_WIN32)
#include <process.h>
#define CARDHOST_GETPID _getpid
#else
#include <unistd.h>
#define CARDHOST_GETPID getpid
#endif

namespace cardhost::sim {
namespace fs = std::filesystem;

namespace {

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : nullptr;
}

}  // namespace

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw StoreError("cannot read " + path.string());
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void WriteFileAtomically(const fs::path& path, const std::string& contents) {
    static std::atomic<unsigned> sequence{0};
    fs::path temporary = path;
    temporary += ".tmp-" + std::to_string(CARDHOST_GETPID()) + "-" + std::to_string(++sequence);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << contents;
        out.flush();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            throw StoreError("cannot write " + temporary.string());
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        throw StoreError("cannot replace " + path.string());
    }
}

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
    return fs::temp_directory_path() / "cardhost-sim";
}

fs::path SimStore::Transaction::TagPath(const std::string& uid) const {
    return directory_ / "tags" / (uid + ".tag");
}

bool SimStore::Transaction::TagExists(const std::string& uid) {
    return Tag(uid) != nullptr;
}

NtagChip* SimStore::Transaction::Tag(const std::string& uid) {
    if (auto it = tags_.find(uid); it != tags_.end()) return &it->second;
    const auto bytes = FromHex(uid);
    if (!bytes || bytes->size() != 7) return nullptr;
    const fs::path path = TagPath(uid);
    std::error_code error;
    if (!fs::exists(path, error)) return nullptr;
    auto chip = ParseTag(ReadWholeFile(path));
    if (!chip) throw StoreError("damaged tag file " + path.string());
    return &tags_.emplace(uid, std::move(*chip)).first->second;
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
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory_ / "tags", error)) {
        if (entry.path().extension() == ".tag") uids.push_back(entry.path().stem().string());
    }
    for (const auto& [uid, changed] : changedTags_) {
        if (changed && std::find(uids.begin(), uids.end(), uid) == uids.end()) uids.push_back(uid);
    }
    std::sort(uids.begin(), uids.end());
    return uids;
}

fs::path ReaderHoldPath(const fs::path& directory, const std::string& serial) {
    const fs::path holds = directory / "holds";
    std::error_code error;
    fs::create_directories(holds, error);
    if (error) throw StoreError("cannot create " + holds.string());
    // A serial text may hold any byte; its hex form is a safe file name.
    const std::string name =
        ToHex({reinterpret_cast<const std::uint8_t*>(serial.data()), serial.size()});
    return holds / (name + ".open");
}

void SimStore::EnsureDirectory() {
    std::error_code error;
    fs::create_directories(directory_ / "tags", error);
    if (error) throw StoreError("cannot create " + (directory_ / "tags").string());
}

void SimStore::LoadOrCreate(Transaction& tx) {
    const fs::path statePath = directory_ / "state";
    std::error_code error;
    if (fs::exists(statePath, error)) {
        auto state = ParseState(ReadWholeFile(statePath));
        if (!state) throw StoreError("damaged state file " + statePath.string());
        tx.state_ = std::move(*state);
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
    for (const auto& [uid, changed] : tx.changedTags_) {
        if (!changed) continue;
        if (auto it = tx.tags_.find(uid); it != tx.tags_.end()) {
            WriteFileAtomically(tx.TagPath(uid), SerializeTag(it->second));
        }
    }
    if (tx.stateChanged_) WriteFileAtomically(directory_ / "state", SerializeState(tx.state_));
}

void SimStore::Transact(const std::function<void(Transaction&)>& work) {
    EnsureDirectory();
    FileLock lock(directory_ / "lock");
    Transaction tx(directory_);
    LoadOrCreate(tx);
    work(tx);  // a failing transaction changes nothing on disk
    Commit(tx);
}

}  // namespace cardhost::sim
