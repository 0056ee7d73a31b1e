// SPDX-License-Identifier: MIT
// The simulator's stored forms: the state, tag and queue files are read back exactly as written,
// and a file cut short or holding anything the simulator would not write is refused.
#include <gtest/gtest.h>

#include "cardhost/sim/queue_file.h"
#include "cardhost/sim/sim_state.h"
#include "cardhost/sim/store_error.h"
#include "cardhost/sim/store_io.h"
#include "cardhost/sim/tag_file.h"

namespace cardhost::sim {
namespace {

SimState BusyState() {
    SimState state;
    ReaderRecord& first = state.readers.emplace_back();
    first.serial = "SIM-0001";
    first.fieldUid = "04A1B2C3D4E5F6";
    first.fieldFromQueue = true;
    first.queueHead = 3;
    first.queueLength = 10;
    first.gapPolls = 2;
    first.emptyPolls = 1;
    first.faults = {{"TyA_NTAG_Write", 2, 0x33}, {"Sys_Open", 1, 0xFF}};
    first.tearAfter = 4;
    first.commandCounts = {{"TyA_Request", 7}, {"Sys_SetBuzzer", 1}};
    first.airTimeMicros = 12345;
    first.lightHistory = {1, 2, 1};
    first.buzzerHistory = {20, 10};
    ReaderRecord& second = state.readers.emplace_back();
    second.serial = "LINE-2";
    second.attached = false;
    second.detachAfter = 0;
    return state;
}

TEST(SimFiles, StateReadsBackAsWritten) {
    const std::string text = SerializeState(BusyState());
    const SimState back = ParseState(text);
    ASSERT_EQ(back.readers.size(), 2u);
    EXPECT_EQ(back.readers[0].queueHead, 3u);
    EXPECT_EQ(back.readers[0].faults[1].status, 0xFF);
    EXPECT_FALSE(back.readers[1].attached);
    EXPECT_EQ(SerializeState(back), text);
}

TEST(SimFiles, EveryCutOfAStateFileIsRefused) {
    const std::string text = SerializeState(BusyState());
    for (std::size_t size = 0; size < text.size(); ++size) {
        EXPECT_THROW(ParseState(text.substr(0, size)), FormatError) << "cut at " << size;
    }
}

TEST(SimFiles, StateValuesTheSimulatorWouldNotWriteAreRefused) {
    const std::string good = SerializeState(BusyState());
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::vector<std::string> bad = {
        with("field 04A1B2C3D4E5F6 1", "field 04a1b2c3d4e5f6 1"),  // not the stored case
        with("field 04A1B2C3D4E5F6 1", "field ZZA1B2C3D4E5F6 1"),
        with("field 04A1B2C3D4E5F6 1", "field 04A1B2C3D4E5 1"),
        with("queue 3 10", "queue 11 10"),  // head past the end
        with("queue 3 10", "queue 3"),
        with("queue 3 10", "queue -1 10"),
        with("fault TyA_NTAG_Write 2 51", "fault TyA_NTAG_Wrote 2 51"),
        with("fault TyA_NTAG_Write 2 51", "fault TyA_NTAG_Write 0 51"),
        with("fault TyA_NTAG_Write 2 51", "fault TyA_NTAG_Write 2 0"),
        with("fault Sys_Open 1 255", "fault Sys_Open 1 256"),  // would read as 0 (success)
        with("gap 2", "gap 2 3"),
        with("gap 2", "gap two"),
        with("attached 1", "attached 2"),
        with("count TyA_Request 7", "count Made_Up 7"),
        with("lights 1 2 1", "lights 1 256 1"),
        with("reader LINE-2", "reader SIM-0001"),  // the same reader twice
        with("air 12345", "colour blue"),
        with("cardhost-sim-state 2", "cardhost-sim-state 1"),
        good + "reader LATE\n",  // after the end
    };
    for (const std::string& text : bad) {
        EXPECT_THROW(ParseState(text), FormatError) << text;
    }
}

NtagChip SampleTag(bool withVersion) {
    NtagChip chip =
        NtagChip::FactoryNew(ChipModel::Ntag215, {0x04, 1, 2, 3, 4, 5, 6}, Layout::Datasheet);
    if (withVersion) chip.OverrideVersion({0, 4, 4, 2, 1, 0, 0x99, 3});
    return chip;
}

TEST(SimFiles, EveryCutOfATagFileIsRefused) {
    for (const bool withVersion : {false, true}) {
        const std::string text = SerializeTag(SampleTag(withVersion));
        EXPECT_EQ(SerializeTag(ParseTag(text)), text);
        for (std::size_t size = 0; size < text.size(); ++size) {
            EXPECT_THROW(ParseTag(text.substr(0, size)), FormatError) << "cut at " << size;
        }
        EXPECT_THROW(ParseTag(text + "extra\n"), FormatError);
    }
}

TEST(SimFiles, QueueFilesHoldOneFixedWidthLinePerUid) {
    const auto path = std::filesystem::path(::testing::TempDir()) / "sim-files-queue";
    const std::vector<std::string> uids = {"04000000000001", "04000000000002", "04ABCDEF012345"};
    WriteStoreFile(path, SerializeQueue(uids));
    EXPECT_EQ(std::filesystem::file_size(path), uids.size() * kQueueLineSize);
    EXPECT_EQ(ReadQueue(path, 3), uids);
    EXPECT_EQ(ReadQueueEntry(path, 2, 3), "04ABCDEF012345");
    // The state counts the lines: a file of another length is damaged, whichever line is read.
    EXPECT_THROW(ReadQueue(path, 4), StoreError);
    EXPECT_THROW(ReadQueueEntry(path, 0, 2), StoreError);
    WriteStoreFile(path, "04000000000001\nnot a UID here\n");
    EXPECT_THROW(ReadQueueEntry(path, 1, 2), StoreError);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace cardhost::sim
