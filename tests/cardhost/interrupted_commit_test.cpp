// SPDX-License-Identifier: MIT
// A transaction is all or nothing, whenever its process dies: what a dead process left behind is
// finished or thrown away by the next transaction, and nothing of it stays in the directory.
// The tests kill real processes with SIGKILL at random moments; the seed is printed on failure.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cmath>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "cardhost/sim/sim_state.h"
#include "cardhost/sim/sim_store.h"
#include "cardhost/sim/store_io.h"
#include "cardhost/sim/tag_file.h"
#include "support/sim_env.h"

extern char** environ;

namespace tagwright::testing {
namespace {

namespace fs = std::filesystem;
using cardhost::sim::SimStore;

class InterruptedCommit : public SimEnvironment {
  protected:
    // Files that only an unfinished transaction leaves: its journal, anything under pending/,
    // and the temporaries that earlier versions wrote beside their targets.
    static std::vector<std::string> Debris(const fs::path& dir) {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            const std::string relative = fs::relative(entry.path(), dir).string();
            if (relative == "journal" || relative.starts_with("pending/") ||
                relative.find(".tmp-") != std::string::npos) {
                found.push_back(relative);
            }
        }
        return found;
    }

    static std::set<std::string> TagFiles(const fs::path& dir) {
        std::set<std::string> uids;
        for (const auto& entry : fs::directory_iterator(dir / "tags")) {
            if (entry.path().extension() == ".tag") uids.insert(entry.path().stem().string());
        }
        return uids;
    }

    // The UIDs that `cardhost-sim tags` places in SIM-0001's queue.
    std::set<std::string> QueuedAtFirstReader() {
        std::set<std::string> uids;
        std::istringstream lines(SimOk({"tags"}));
        for (std::string line; std::getline(lines, line);) {
            if (line.ends_with("queued at SIM-0001")) uids.insert(line.substr(0, 14));
        }
        return uids;
    }

    // Starts cardhost-sim with these words, its output thrown away.
    static pid_t StartTool(const std::vector<std::string>& words) {
        std::vector<std::string> argv{(reader::ExecutableDirectory() / "cardhost-sim").string()};
        argv.insert(argv.end(), words.begin(), words.end());
        std::vector<char*> pointers;
        for (std::string& word : argv)
            pointers.push_back(word.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int error =
            posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return error == 0 ? pid : -1;
    }

    // Kills the process after `delay`; true when it had ended by itself already.
    static bool KillAfter(pid_t pid, std::chrono::microseconds delay) {
        std::this_thread::sleep_for(delay);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status);
    }

    std::uint32_t Seed() {
        const std::uint32_t seed = std::random_device{}();
        std::cout << "kill moments from seed " << seed << '\n';
        return seed;
    }
};

TEST_F(InterruptedCommit, AJournalLeftByADeadProcessIsCarriedOutByTheNextTransaction) {
    const std::string uid = FieldUid();
    // What the dead process meant to store: a tag page and the state's air time, together.
    // Changed in memory only: nothing is marked, so this transaction writes nothing.
    std::string tagText, stateText;
    store().Transact([&](SimStore::Transaction& tx) {
        std::fill_n(tx.Tag(uid)->memory().begin() + 16, 4, std::uint8_t{0xAB});
        tx.state().Find("SIM-0001")->airTimeMicros = 7770;
        tagText = cardhost::sim::SerializeTag(*tx.Tag(uid));
        stateText = cardhost::sim::SerializeState(tx.state());
    });
    // It died after publishing the journal and carrying out its first step.
    cardhost::sim::WriteStoreFile(directory() / "tags" / (uid + ".tag"), tagText);
    cardhost::sim::WriteStoreFile(directory() / "pending" / "1", stateText);
    cardhost::sim::WriteStoreFile(directory() / "pending" / "7", "a temporary of nothing\n");
    cardhost::sim::WriteStoreFile(directory() / "journal",
                                  "cardhost-sim-journal 1\n"
                                  "rename 0 tags/" +
                                      uid +
                                      ".tag\n"
                                      "rename 1 state\n"
                                      "end-of-journal\n");

    EXPECT_NE(SimOk({"stats", "--reader", "SIM-0001"}).find("airtime_ms 7.77"), std::string::npos);
    EXPECT_EQ(Memory(uid)[16], 0xAB);
    EXPECT_EQ(Debris(directory()), std::vector<std::string>{});
}

TEST_F(InterruptedCommit, WhatAnUnpublishedCommitWroteIsThrownAway) {
    const std::string uid = FieldUid();
    const std::string readers = SimOk({"readers"});
    // It died while writing its files, before the journal was published.
    cardhost::sim::WriteStoreFile(directory() / "pending" / "0", "half a tag");
    cardhost::sim::WriteStoreFile(directory() / "pending" / "journal",
                                  "cardhost-sim-journal 1\nrename 0 state\n");
    EXPECT_EQ(SimOk({"readers"}), readers);
    EXPECT_EQ(FieldUid(), uid);
    EXPECT_EQ(Debris(directory()), std::vector<std::string>{});
}

TEST_F(InterruptedCommit, AJournalMayNameOnlyTheDirectorysOwnFiles) {
    SimOk({"readers"});  // the first use makes the folders
    const fs::path victim = directory() / "victim";
    std::ofstream(victim) << "not the simulator's\n";
    for (const std::string step :
         {"remove ../victim", "remove victim", "remove /etc/hostname", "rename 0 ../victim",
          "rename 0 tags/x.tag", "frobnicate state"}) {
        SCOPED_TRACE(step);
        cardhost::sim::WriteStoreFile(directory() / "pending" / "0", "x");
        cardhost::sim::WriteStoreFile(directory() / "journal",
                                      "cardhost-sim-journal 1\n" + step + "\nend-of-journal\n");
        const ToolResult result = Sim({"readers"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.out.find((directory() / "journal").string()), std::string::npos)
            << result.out;
        EXPECT_TRUE(fs::exists(victim));
    }
}

TEST_F(InterruptedCommit, AQueueKilledAtAnyMomentIsAllOrNothing) {
    constexpr int kKills = 30;
    constexpr int kTags = 400;
    const std::vector<std::string> queue = {"queue", "--reader", "SIM-0001", "--count",
                                            std::to_string(kTags)};
    std::mt19937 random(Seed());
    // A run makes its tags in memory, then stores them: the kill moments lie in the second half
    // of a window that moves towards the commit, shorter after a run that ended before its kill,
    // longer after a kill that left the state as before. It starts past the end of an
    // uninterrupted run, started as the killed ones are.
    SimOk({"readers"});
    const auto started = std::chrono::steady_clock::now();
    const pid_t timed = StartTool(queue);
    ASSERT_GT(timed, 0);
    int exitStatus = -1;
    waitpid(timed, &exitStatus, 0);
    ASSERT_EQ(exitStatus, 0);
    double window = static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(
                                            std::chrono::steady_clock::now() - started)
                                            .count()) *
                    1.25;

    int before = 0, after = 0, finished = 0;
    for (int round = 0; round < kKills; ++round) {
        SCOPED_TRACE("kill " + std::to_string(round));
        const fs::path dir = directory() / ("round-" + std::to_string(round));
        setenv("CARDHOST_SIM_DIR", dir.c_str(), 1);
        SimOk({"readers"});  // the first use makes SIM-0001 and its tag
        const auto tagsBefore = TagFiles(dir);
        const pid_t pid = StartTool(queue);
        ASSERT_GT(pid, 0);
        const auto moment = std::uniform_real_distribution<double>(window / 2, window)(random);
        const bool ended = KillAfter(pid, std::chrono::microseconds(std::llround(moment)));

        SimOk({"readers"});  // the next transaction finishes or discards what was left
        EXPECT_EQ(Debris(dir), std::vector<std::string>{});
        const auto tagsAfter = TagFiles(dir);
        const auto queued = QueuedAtFirstReader();
        if (tagsAfter == tagsBefore) {
            EXPECT_TRUE(queued.empty());
            ++before;
            window *= 1.25;
        } else {
            // Every new tag file is a queued tag, and every queued tag has its file.
            std::set<std::string> added;
            for (const std::string& uid : tagsAfter) {
                if (!tagsBefore.count(uid)) added.insert(uid);
            }
            EXPECT_EQ(added.size(), std::size_t{kTags});
            EXPECT_EQ(added, queued);
            ++after;
        }
        if (ended) {
            ++finished;
            window *= 0.75;
        }
    }
    setenv("CARDHOST_SIM_DIR", directory().c_str(), 1);
    std::cout << before << " kills left the state as before, " << after - finished << " as after, "
              << finished << " came after the end\n";
}

TEST_F(InterruptedCommit, AWriterKilledAtAnyMomentLeavesTagsAndStateInStep) {
    constexpr int kKills = 30;
    constexpr int kTags = 8;
    // The tags and the state start from the same number, 0, as a killed writer may store none.
    std::vector<std::string> uids;
    store().Transact([&](SimStore::Transaction& tx) {
        for (int i = 0; i < kTags; ++i) {
            uids.push_back(
                tx.NewTag(cardhost::sim::ChipModel::Ntag216, cardhost::sim::Layout::Plain));
            std::fill_n(tx.Tag(uids.back())->memory().begin() + 16, 4, std::uint8_t{0});
        }
        tx.state().Find("SIM-0001")->airTimeMicros = 0;
        tx.MarkStateChanged();
    });
    // Each transaction of the writer stores one number in page 4 of every tag and in the state.
    const auto stored = [&](SimStore::Transaction& tx) {
        std::vector<std::uint64_t> numbers{tx.state().Find("SIM-0001")->airTimeMicros};
        for (const std::string& uid : uids) {
            const auto& memory = tx.Tag(uid)->memory();
            std::uint64_t number = 0;
            for (int i = 0; i < 4; ++i)
                number = number << 8 | memory[16 + i];
            numbers.push_back(number);
        }
        return numbers;
    };
    std::mt19937 random(Seed());
    std::uniform_int_distribution<int> moment(0, 20000);
    std::uint64_t last = 0;
    for (int round = 0; round < kKills; ++round) {
        SCOPED_TRACE("kill " + std::to_string(round));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {  // the writer: runs until it is killed, never returns into the test
            try {
                for (std::uint32_t number = static_cast<std::uint32_t>(last) + 1;; ++number) {
                    store().Transact([&](SimStore::Transaction& tx) {
                        for (const std::string& uid : uids) {
                            auto& memory = tx.Tag(uid)->memory();
                            for (int i = 0; i < 4; ++i) {
                                memory[16 + i] = static_cast<std::uint8_t>(number >> (24 - 8 * i));
                            }
                            tx.MarkTagChanged(uid);
                        }
                        tx.state().Find("SIM-0001")->airTimeMicros = number;
                        tx.MarkStateChanged();
                    });
                }
            } catch (...) {
            }
            _exit(1);
        }
        KillAfter(pid, std::chrono::microseconds(moment(random)));

        std::vector<std::uint64_t> numbers;
        store().Transact([&](SimStore::Transaction& tx) { numbers = stored(tx); });
        EXPECT_EQ(Debris(directory()), std::vector<std::string>{});
        EXPECT_EQ(std::set<std::uint64_t>(numbers.begin(), numbers.end()).size(), 1u)
            << ::testing::PrintToString(numbers);
        EXPECT_GE(numbers[0], last);
        last = numbers[0];
    }
    std::cout << last << " transactions stored between " << kKills << " kills\n";
}

}  // namespace
}  // namespace tagwright::testing
