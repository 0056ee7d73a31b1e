// SPDX-License-Identifier: MIT
// A damaged state directory: the control tool names the damaged file and exits with 1, the
// reader library answers CARDHOST_STORAGE, nothing crashes, hangs or reads without end.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>
#include <sys/stat.h>

#include <fstream>

#include "support/sim_env.h"

namespace tagwright::testing {
namespace {

namespace fs = std::filesystem;

class DamagedState : public SimEnvironment {
  protected:
    void SetUp() override {
        SimEnvironment::SetUp();
        fieldUid = FieldUid();  // the first use makes the state, SIM-0001 and its tag
    }

    fs::path Path(const std::string& relative) const { return directory() / relative; }
    fs::path FieldTagPath() const { return Path("tags/" + fieldUid + ".tag"); }

    static std::string Contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Replace(const fs::path& path, const std::string& contents) {
        fs::remove(path);
        std::ofstream(path, std::ios::binary) << contents;
    }

    // The tool fails with status 1 and names the file; a time limit turns a hang into a failure.
    void ExpectNamed(const std::vector<std::string>& words, const fs::path& file,
                     const std::string& problem) {
        std::string line =
            "timeout 20 '" + (reader::ExecutableDirectory() / "cardhost-sim").string() + "'";
        for (const std::string& word : words)
            line += " '" + word + "'";
        SCOPED_TRACE(line);
        const ToolResult result = RunProgram(line);
        EXPECT_EQ(result.exitCode, 1) << result.out;
        EXPECT_NE(result.out.find(file.string() + ": "), std::string::npos) << result.out;
        EXPECT_NE(result.out.find(problem), std::string::npos) << result.out;
    }

    // The library makes the damage visible where a program first meets it.
    void ExpectStorageFailureFromTheLibrary() {
        std::uint32_t count = 99;
        EXPECT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), CARDHOST_STORAGE);
        std::int32_t handle = -1;
        EXPECT_EQ(api().Sys_Open(&handle, 0, 0x0416, 0x8020), CARDHOST_STORAGE);
        EXPECT_EQ(handle, -1);
    }

    std::string fieldUid;
};

TEST_F(DamagedState, ATagFileNotNamedAfterAUidIsNamed) {
    std::ofstream(Path("tags/notes.tag")) << "my notes\n";
    ExpectNamed({"tags"}, Path("tags/notes.tag"), "named after its UID");
    // Files of other kinds in the folder are none of the simulator's business.
    fs::remove(Path("tags/notes.tag"));
    std::ofstream(Path("tags/README")) << "tags live here\n";
    EXPECT_NE(SimOk({"tags"}).find(fieldUid), std::string::npos);
}

TEST_F(DamagedState, AFieldTagWithoutItsFileIsNamedByEveryCommandThatShowsIt) {
    fs::remove(FieldTagPath());
    ExpectNamed({"tag", "dump", "--reader", "SIM-0001"}, FieldTagPath(), "missing");
    ExpectNamed({"tag", "poke", "--reader", "SIM-0001", "4", "00000000"}, FieldTagPath(),
                "missing");
    ExpectNamed({"demo"}, FieldTagPath(), "missing");
    // Enumeration reads the state alone: the reader stays listed, opening it names the damage.
    std::uint32_t count = 0;
    EXPECT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), 0);
    EXPECT_EQ(count, 1u);
    std::int32_t handle = -1;
    EXPECT_EQ(api().Sys_Open(&handle, 0, 0x0416, 0x8020), CARDHOST_STORAGE);
    // Taking the lost tag out of the field repairs the reader.
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    EXPECT_NE(SimOk({"demo"}).find("No tag lies in a field."), std::string::npos);
}

TEST_F(DamagedState, AUidEditedInTheStateIsNamed) {
    const std::string state = Contents(Path("state"));
    std::string edited = state;
    edited.replace(edited.find(fieldUid), 14, "04ZZZZZZZZZZZZ");
    Replace(Path("state"), edited);
    ExpectNamed({"tag", "dump", "--reader", "SIM-0001"}, Path("state"), "line 4");
    ExpectStorageFailureFromTheLibrary();
    // An edit that keeps the form names a tag that was never made: its file is missing.
    edited = state;
    edited.replace(edited.find(fieldUid), 14, "04000000000000");
    Replace(Path("state"), edited);
    ExpectNamed({"demo"}, Path("tags/04000000000000.tag"), "missing");
}

TEST_F(DamagedState, AStateFileCutShortIsRefused) {
    const std::string state = Contents(Path("state"));
    Replace(Path("state"), state.substr(0, state.size() / 2));
    ExpectNamed({"readers"}, Path("state"), "cut short");
    ExpectStorageFailureFromTheLibrary();
}

TEST_F(DamagedState, ATagFileCutShortIsRefused) {
    const std::string tag = Contents(FieldTagPath());
    Replace(FieldTagPath(), tag.substr(0, tag.size() - 12));
    ExpectNamed({"tag", "dump", fieldUid}, FieldTagPath(), "cut short");
}

TEST_F(DamagedState, FifosDevicesAndFoldersAreRefusedWithoutBeingRead) {
    const fs::path state = Path("state");
    fs::remove(state);
    ASSERT_EQ(mkfifo(state.c_str(), 0644), 0);
    ExpectNamed({"readers"}, state, "not a regular file");
    ExpectStorageFailureFromTheLibrary();

    fs::remove(state);
    fs::create_symlink("/dev/zero", state);
    ExpectNamed({"readers"}, state, "not a regular file");
    ExpectStorageFailureFromTheLibrary();

    fs::remove(state);
    fs::create_directory(state);
    ExpectNamed({"readers"}, state, "not a regular file");
    fs::remove(state);

    fs::remove(FieldTagPath());
    ASSERT_EQ(mkfifo(FieldTagPath().c_str(), 0644), 0);
    ExpectNamed({"tag", "dump", fieldUid}, FieldTagPath(), "not a regular file");
}

TEST_F(DamagedState, OversizedFilesAreRefused) {
    // A valid beginning, then more than any simulator would write.
    std::string state = Contents(Path("state"));
    state.insert(state.find("end-of-state"), std::string(17u << 20, '\n'));
    Replace(Path("state"), state);
    ExpectNamed({"readers"}, Path("state"), "too large");
    ExpectStorageFailureFromTheLibrary();
    fs::remove(Path("state"));
    SimOk({"readers"});  // a state made afresh

    std::string tag = Contents(FieldTagPath());
    tag.insert(tag.find("end-of-tag"), std::string(65u << 10, '\n'));
    Replace(FieldTagPath(), tag);
    ExpectNamed({"tag", "dump", fieldUid}, FieldTagPath(), "too large");
}

TEST_F(DamagedState, AQueueFileThatDisagreesWithTheStateIsNamed) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    SimOk({"queue", "--reader", "SIM-0001", "--count", "3"});
    const fs::path queue = Path("queues/53494D2D30303031.queue");  // "SIM-0001" in hex
    ASSERT_TRUE(fs::exists(queue));
    const std::string lines = Contents(queue);
    Replace(queue, lines.substr(0, 20));
    ExpectNamed({"tags"}, queue, "3 UIDs");
    // The tags that a failed command made are not printed, as they were never stored.
    const ToolResult more = Sim({"queue", "--reader", "SIM-0001", "--count", "2"});
    EXPECT_EQ(more.exitCode, 1);
    EXPECT_EQ(more.out.find("\n04"), std::string::npos) << more.out;
    EXPECT_FALSE(more.out.starts_with("04")) << more.out;
    std::int32_t handle = -1;
    EXPECT_EQ(api().Sys_Open(&handle, 0, 0x0416, 0x8020), CARDHOST_STORAGE);

    // Damage found while a reader is open: its next wake-up brings no tag but the failure.
    Replace(queue, lines);
    handle = OpenFirstReader();
    Replace(queue, std::string(lines).replace(0, 2, "XY"));
    std::uint8_t atqa[2] = {};
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_STORAGE);
    api().Sys_Close(&handle);
}

TEST_F(DamagedState, DescribeStateProblemNamesTheDamagedFileOrNothing) {
    using cardhost::sim::DescribeStateProblem;
    EXPECT_EQ(DescribeStateProblem(directory()), std::nullopt);
    EXPECT_EQ(DescribeStateProblem(directory() / "not-made-yet"), std::nullopt);
    EXPECT_FALSE(fs::exists(directory() / "not-made-yet"));

    const std::string tag = Contents(FieldTagPath());
    fs::remove(FieldTagPath());
    const auto missing = DescribeStateProblem(directory());
    ASSERT_TRUE(missing.has_value());
    EXPECT_NE(missing->find(FieldTagPath().string()), std::string::npos) << *missing;
    Replace(FieldTagPath(), tag);

    const std::string state = Contents(Path("state"));
    Replace(Path("state"), state.substr(0, 30));
    const auto cut = DescribeStateProblem(directory());
    ASSERT_TRUE(cut.has_value());
    EXPECT_NE(cut->find(Path("state").string() + ": "), std::string::npos) << *cut;

    const fs::path plainFile = directory() / "a-file";
    std::ofstream(plainFile) << "not a folder\n";
    EXPECT_TRUE(DescribeStateProblem(plainFile).has_value());
}

// Tag files hold each tag's password in the clear: the state lives only in a folder of the user's
// own, closed to others, never in a shared one such as /tmp that another user can make first.
TEST_F(DamagedState, TheStateLivesOnlyInAFolderOfTheUsersOwn) {
    const fs::path tmp = Path("tmp");
    fs::create_directories(tmp);
    const std::string noFolder =
        "env -u CARDHOST_SIM_DIR -u XDG_STATE_HOME -u HOME -u LOCALAPPDATA "
        "TMPDIR='" +
        tmp.string() + "' timeout 20 '" + reader::ExecutableDirectory().string();
    ToolResult r = RunProgram(noFolder + "/cardhost-sim' readers");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find(cardhost::sim::kNoStateFolder), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("repaired or removed"), std::string::npos) << r.out;
    r = RunProgram(noFolder + "/tagwright-cli' readers");
    EXPECT_EQ(r.exitCode, 3) << r.out;
    EXPECT_NE(
        r.out.find(std::string("simulated readers unavailable: ") + cardhost::sim::kNoStateFolder),
        std::string::npos)
        << r.out;
    EXPECT_TRUE(fs::is_empty(tmp));

    const auto mode = [](const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 07777;
    };
    // A new directory and everything in it are the user's alone, whatever the umask.
    const fs::path fresh = Path("fresh");
    r = RunProgram("umask 022; CARDHOST_SIM_DIR='" + fresh.string() + "' '" +
                   (reader::ExecutableDirectory() / "cardhost-sim").string() + "' readers");
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string uid = r.out.substr(r.out.find("tag=") + 4, 14);
    for (const char* folder : {"", "tags", "queues", "pending"}) {
        EXPECT_EQ(mode(fresh / folder), 0700u) << folder;
    }
    for (const std::string& file :
         std::vector<std::string>{"state", "lock", "tags/" + uid + ".tag"}) {
        EXPECT_EQ(mode(fresh / file), 0600u) << file;
    }
    // One made by an older simulator, open to others, is closed to them at its next use.
    ::chmod(directory().c_str(), 0755);
    SimOk({"readers"});
    EXPECT_EQ(mode(directory()), 0700u);
}

TEST_F(DamagedState, AStateFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the folder to another user (nobody)";
    ASSERT_EQ(::chown(directory().c_str(), 65534, 65534), 0);
    ExpectNamed({"readers"}, directory(), "belongs to another user (uid 65534)");
    const auto problem = cardhost::sim::DescribeStateProblem(directory());
    ASSERT_TRUE(problem.has_value());
    EXPECT_NE(problem->find("belongs to another user"), std::string::npos) << *problem;
    ExpectStorageFailureFromTheLibrary();
    ASSERT_EQ(::chown(directory().c_str(), 0, 0), 0);
    SimOk({"readers"});
}

// A sound state on a full disk or a read-only file system: the status code (0x08) cannot say
// why, so the simulator's explanation names the cause instead of calling the file damaged.
TEST_F(DamagedState, AFullDiskAndAReadOnlyFolderAreNamedAsSuch) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a small file system of its own (tmpfs)";
    const fs::path script = Path("full-disk.sh");
    std::ofstream(script) << R"(D=$1; BIN=$2
mkdir -p "$D/disk"
mount -t tmpfs -o size=64k tmpfs "$D/disk" || exit 77
export CARDHOST_SIM_DIR="$D/disk/sim"
"$BIN/cardhost-sim" readers >/dev/null || exit 1
dd if=/dev/zero of="$D/disk/filler" bs=4k 2>/dev/null
echo "full: cli"; timeout 20 "$BIN/tagwright-cli" --no-journal read text; echo "exit $?"
echo "full: sim"; timeout 20 "$BIN/cardhost-sim" stats --reader SIM-0001 --reset; echo "exit $?"
rm "$D/disk/filler"; mount -o remount,ro "$D/disk" || exit 1
echo "read-only: sim"; timeout 20 "$BIN/cardhost-sim" readers; echo "exit $?"
echo "read-only: cli"; timeout 20 "$BIN/tagwright-cli" --no-journal read text; echo "exit $?"
)";
    const ToolResult r =
        RunProgram("timeout 120 unshare --mount sh '" + script.string() + "' '" +
                   directory().string() + "' '" + reader::ExecutableDirectory().string() + "'");
    if (r.exitCode == 77 || r.out.starts_with("unshare: ")) {
        GTEST_SKIP() << "no mount namespace or tmpfs here: " << r.out;
    }
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const std::string sim = (directory() / "disk" / "sim").string();
    const std::string full = ": cannot be written: No space left on device\n";
    const std::string readOnly = sim + "/lock: lock file cannot be opened: Read-only file system\n";
    const auto section = [&](const std::string& name) {
        const std::size_t start = r.out.find(name + "\n");
        EXPECT_NE(start, std::string::npos) << name << r.out;
        return r.out.substr(start, r.out.find("exit ", start) + 6 - start);
    };
    // The reader's status stays in the log as it was; the cause follows.
    std::string out = section("full: cli");
    EXPECT_NE(out.find("Error Code: 0x08"), std::string::npos) << out;
    EXPECT_NE(out.find("tagwright-cli: simulated readers unavailable: " + sim + "/pending/"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(full), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("exit 1")) << out;
    out = section("full: sim");
    EXPECT_NE(out.find("cardhost-sim: " + sim + "/pending/0" + full), std::string::npos) << out;
    EXPECT_EQ(out.find("repaired or removed"), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("exit 1")) << out;
    out = section("read-only: sim");
    EXPECT_NE(out.find("cardhost-sim: " + readOnly), std::string::npos) << out;
    EXPECT_EQ(out.find("repaired or removed"), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("exit 1")) << out;
    out = section("read-only: cli");
    EXPECT_NE(out.find("tagwright-cli: simulated readers unavailable: " + readOnly),
              std::string::npos)
        << out;
    EXPECT_TRUE(out.ends_with("exit 3")) << out;
}

}  // namespace
}  // namespace tagwright::testing
