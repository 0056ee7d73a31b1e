// SPDX-License-Identifier: MIT
// The simulator's state directory, shared by every process that uses the simulated readers.
//
// Every access runs as one transaction under an exclusive lock on the directory: the state and
// the tags and queues it touches are read, changed in memory and published together (see
// commit_journal.h), so two processes never see half an update and a process that dies at any
// moment leaves the directory as it was before its transaction or as it is after it. Files are
// read without trusting them: anything damaged is a StoreError that names the file.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ntag_chip.h"
#include "sim_state.h"
#include "store_error.h"

namespace cardhost::sim {

inline constexpr const char* kFirstReaderSerial = "SIM-0001";
inline constexpr const char* kNoStateFolder =
    "no folder of the user's own for the simulator's state: set CARDHOST_SIM_DIR, XDG_STATE_HOME "
    "or HOME (a shared folder such as /tmp would let other users read the tags' passwords)";

class SimStore {
  public:
    explicit SimStore(std::filesystem::path directory);

    // CARDHOST_SIM_DIR, else $XDG_STATE_HOME/cardhost-sim, else ~/.local/state/cardhost-sim.
    // Throws a StoreError (kNoStateFolder) when none of them is set: never a shared folder.
    static std::filesystem::path DefaultDirectory();

    class Transaction {
      public:
        SimState& state() { return state_; }
        void MarkStateChanged() { stateChanged_ = true; }

        bool TagExists(const std::string& uid);
        // nullptr when no tag with this UID was ever made. Changes must be marked.
        NtagChip* Tag(const std::string& uid);
        // The same for a tag that the state names, whose file must be there.
        NtagChip& RequireTag(const std::string& uid);
        void MarkTagChanged(const std::string& uid) { changedTags_[uid] = true; }
        // Makes a new factory tag with an unused random UID (UID0 0x04) and stores it.
        std::string NewTag(ChipModel model, Layout layout);
        void PutTag(const NtagChip& chip);
        // Every tag file's UID; a .tag file named otherwise is damage.
        std::vector<std::string> TagUids() const;

        // The UIDs still waiting at the reader, first to arrive first.
        std::vector<std::string> QueuedUids(const ReaderRecord& reader);
        // Takes the first waiting UID off the queue: one line is read, the state changes.
        std::string PopQueue(ReaderRecord& reader);
        // Queues more UIDs behind those waiting.
        void AppendToQueue(ReaderRecord& reader, const std::vector<std::string>& uids);
        // The reader is forgotten: so is its queue (its tags stay).
        void DropQueue(const std::string& serial);

      private:
        friend class SimStore;
        explicit Transaction(const std::filesystem::path& directory) : directory_(directory) {}
        std::filesystem::path TagPath(const std::string& uid) const;
        std::string QueueEntry(const ReaderRecord& reader, std::uint64_t index);

        const std::filesystem::path& directory_;
        SimState state_;
        bool stateChanged_ = false;
        std::map<std::string, NtagChip> tags_;
        std::map<std::string, bool> changedTags_;
        // Each loaded tag's file as read: a tag that a command left as it was is not rewritten.
        std::map<std::string, std::string> loadedTags_;
        // Queues to write anew by reader serial; nothing: the queue file goes.
        std::map<std::string, std::optional<std::vector<std::string>>> newQueues_;
    };

    // Runs the work under the lock and publishes what it changed; nothing when it throws.
    void Transact(const std::function<void(Transaction&)>& work);

    // Under the lock, reads the state, each reader's queue and the tag in each field without
    // changing anything (but finishing a commit that a dead process left half done, as any
    // transaction would), and makes sure a state as large can be written again. Throws the
    // StoreError of the first damaged file, or of the refused write.
    void Check();

    const std::filesystem::path& directory() const { return directory_; }

  private:
    void EnsureDirectory();
    void LoadState(Transaction& tx);
    void LoadOrCreate(Transaction& tx);
    void Commit(Transaction& tx);

    std::filesystem::path directory_;
};

// Why the simulator cannot use this state directory, naming the damaged file; nothing when it
// can (also when it does not exist yet: the first use creates it). Takes the lock for a moment.
std::optional<std::string> DescribeStateProblem(const std::filesystem::path& directory);

// The file whose lock marks a reader as open: one holder at a time, across processes. Its
// folder is created when missing.
std::filesystem::path ReaderHoldPath(const std::filesystem::path& directory,
                                     const std::string& serial);

}  // namespace cardhost::sim
