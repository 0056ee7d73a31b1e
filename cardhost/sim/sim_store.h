// The simulator's state directory, shared by every process that uses the simulated readers.
//
// Every access runs as one transaction under an exclusive lock on the directory: the state and
// the tags it touches are read, changed in memory and written back by atomic replacement, so two
// processes never see half an update and a crash never leaves half a file.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "ntag_chip.h"
#include "sim_state.h"

namespace cardhost::sim {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kFirstReaderSerial = "SIM-0001";

class SimStore {
  public:
    explicit SimStore(std::filesystem::path directory);

    // CARDHOST_SIM_DIR, else $XDG_STATE_HOME/cardhost-sim, else ~/.local/state/cardhost-sim.
    static std::filesystem::path DefaultDirectory();

    class Transaction {
      public:
        SimState& state() { return state_; }
        void MarkStateChanged() { stateChanged_ = true; }

        bool TagExists(const std::string& uid);
        // nullptr when no tag with this UID was ever made. Changes must be marked.
        NtagChip* Tag(const std::string& uid);
        void MarkTagChanged(const std::string& uid) { changedTags_[uid] = true; }
        // Makes a new factory tag with an unused random UID (UID0 0x04) and stores it.
        std::string NewTag(ChipModel model, Layout layout);
        void PutTag(const NtagChip& chip);
        std::vector<std::string> TagUids() const;

      private:
        friend class SimStore;
        explicit Transaction(const std::filesystem::path& directory) : directory_(directory) {}
        std::filesystem::path TagPath(const std::string& uid) const;

        const std::filesystem::path& directory_;
        SimState state_;
        bool stateChanged_ = false;
        std::map<std::string, NtagChip> tags_;
        std::map<std::string, bool> changedTags_;
    };

    // Runs the work under the lock and writes back what it changed; nothing when it throws.
    void Transact(const std::function<void(Transaction&)>& work);

    const std::filesystem::path& directory() const { return directory_; }

  private:
    void EnsureDirectory();
    void LoadOrCreate(Transaction& tx);
    void Commit(Transaction& tx);

    std::filesystem::path directory_;
};

// The file whose lock marks a reader as open: one holder at a time, across processes. Its
// folder is created when missing.
std::filesystem::path ReaderHoldPath(const std::filesystem::path& directory,
                                     const std::string& serial);

// Writes a file so that readers see either the old or the new contents, never a mixture.
void WriteFileAtomically(const std::filesystem::path& path, const std::string& contents);
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace cardhost::sim
