// SPDX-License-Identifier: MIT
// The reader library as the program reaches it: the 26 entry points over the simulator.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include <fstream>
#include <functional>
#include <map>

#include "cardhost/sim/entry_points.h"
#include "cardhost/sim/hex.h"
#include "support/sim_env.h"

namespace tagwright::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

class CardhostApi : public SimEnvironment {
  protected:
    std::int32_t Select(std::int32_t handle, cardhost::sim::Uid* uid = nullptr) {
        std::uint8_t atqa[2] = {};
        const std::int32_t request = api().TyA_Request(handle, 0x52, atqa);
        if (request != 0) return request;
        std::uint8_t buffer[8] = {};
        std::uint8_t length = 0;
        const std::int32_t status = api().TyA_NTAG_AnticollSelect(handle, buffer, &length);
        if (status == 0 && uid) std::copy_n(buffer, 7, uid->begin());
        return status;
    }
    Bytes Read(std::int32_t handle, std::uint8_t page, std::int32_t* status = nullptr) {
        Bytes data(16, 0);
        std::uint8_t length = 0;
        const std::int32_t s = api().TyA_NTAG_Read(handle, page, data.data(), &length);
        if (status) *status = s;
        return data;
    }
};

TEST_F(CardhostApi, FirstUseOffersOneReaderWithAFactoryNtag213) {
    std::uint32_t count = 0;
    ASSERT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), 0);
    EXPECT_EQ(count, 1u);
    char serial[256] = {};
    ASSERT_EQ(api().Sys_GetHidSerialNumberStr(0, 0x0416, 0x8020, serial, sizeof serial), 0);
    EXPECT_STREQ(serial, "SIM-0001");
    EXPECT_EQ(api().Sys_GetDeviceNum(0x1234, 0x8020, &count), 0);
    EXPECT_EQ(count, 0u);

    const std::int32_t handle = OpenFirstReader();
    EXPECT_NE(api().Sys_IsOpen(handle), 0);
    std::uint8_t atqa[2] = {};
    ASSERT_EQ(api().TyA_Request(handle, 0x52, atqa), 0);
    EXPECT_EQ(atqa[0], 0x44);
    EXPECT_EQ(atqa[1], 0x00);
    std::uint8_t uid[8] = {};
    std::uint8_t length = 0;
    ASSERT_EQ(api().TyA_NTAG_AnticollSelect(handle, uid, &length), 0);
    EXPECT_EQ(length, 7);
    EXPECT_EQ(cardhost::sim::ToHex({uid, 7}), FieldUid());
    std::uint8_t version[8] = {};
    ASSERT_EQ(api().TyA_NTAG_GetVersion(handle, version, &length), 0);
    EXPECT_EQ(version[6], 0x0F);
    EXPECT_EQ(Read(handle, 3), (Bytes{0xE1, 0x10, 0x12, 0x00, 0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03,
                                      0x00, 0xFE, 0, 0, 0, 0}));
}

TEST_F(CardhostApi, StatusCodesAreDistinct) {
    std::int32_t handle = -1;
    EXPECT_EQ(api().Sys_Open(&handle, 3, 0x0416, 0x8020), CARDHOST_NO_DEVICE);
    EXPECT_EQ(api().Sys_SetLight(99, 1), CARDHOST_NOT_OPEN);
    EXPECT_EQ(api().Sys_IsOpen(-1), 0);
    char tiny[4] = {};
    EXPECT_EQ(api().Sys_GetHidSerialNumberStr(0, 0x0416, 0x8020, tiny, sizeof tiny),
              CARDHOST_BUFFER_SMALL);

    handle = -1;
    ASSERT_EQ(api().Sys_Open(&handle, 0, 0x0416, 0x8020), 0);
    std::uint8_t atqa[2] = {};
    // The field is off until the antenna is switched on.
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_NO_TAG);
    ASSERT_EQ(api().Sys_SetAntenna(handle, 1), 0);
    EXPECT_EQ(api().TyA_Request(handle, 0x11, atqa), CARDHOST_BAD_ARGUMENT);
    EXPECT_EQ(api().TyA_NTAG_Read(handle, 4, nullptr, nullptr), CARDHOST_BAD_ARGUMENT);
    std::int32_t status = 0;
    Read(handle, 4, &status);
    EXPECT_EQ(status, CARDHOST_NO_ANSWER);  // not selected yet
    ASSERT_EQ(Select(handle), 0);
    Read(handle, 0x2D, &status);
    EXPECT_EQ(status, CARDHOST_NAK_BASE | 0x0);
    EXPECT_EQ(api().TyA_CS_Read(handle, 0, nullptr, nullptr), CARDHOST_NOT_SUPPORTED);

    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_NO_TAG);
    SimOk({"reader", "detach", "SIM-0001"});
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_DETACHED);
    EXPECT_EQ(api().Sys_IsOpen(handle), 0);
}

TEST_F(CardhostApi, AReaderIsOpenedByOneHolderAtATime) {
    SimOk({"reader", "add", "SIM-0002"});
    std::int32_t first = -1, second = -1, other = -1;
    ASSERT_EQ(api().Sys_Open(&first, 0, 0x0416, 0x8020), 0);
    EXPECT_EQ(api().Sys_Open(&second, 0, 0x0416, 0x8020), CARDHOST_BUSY);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(api().Sys_Open(&other, 1, 0x0416, 0x8020), 0);  // another reader is free
    EXPECT_EQ(api().Sys_Close(&first), 0);
    EXPECT_EQ(api().Sys_Open(&second, 0, 0x0416, 0x8020), 0);
    EXPECT_EQ(api().Sys_IsOpen(second), 1);
    api().Sys_Close(&second);
    api().Sys_Close(&other);
}

TEST_F(CardhostApi, CloseIsHarmlessOnANeverOpenedSlotAndEndsTheHandle) {
    std::int32_t never = -1;
    EXPECT_EQ(api().Sys_Close(&never), 0);
    std::int32_t handle = OpenFirstReader();
    const std::int32_t opened = handle;
    EXPECT_EQ(api().Sys_Close(&handle), 0);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(api().Sys_IsOpen(opened), 0);
    EXPECT_EQ(api().Sys_SetLight(opened, 1), CARDHOST_NOT_OPEN);
}

TEST_F(CardhostApi, AfterANakTheTagNeedsANewSelection) {
    const std::int32_t handle = OpenFirstReader();
    ASSERT_EQ(Select(handle), 0);
    const std::uint8_t wrong[4] = {1, 2, 3, 4};
    std::uint8_t pack[2] = {};
    EXPECT_EQ(api().TyA_NTAG_PwdAuth(handle, wrong, pack, nullptr), CARDHOST_NAK_BASE);
    std::int32_t status = 0;
    Read(handle, 4, &status);
    EXPECT_EQ(status, CARDHOST_NO_ANSWER);
    ASSERT_EQ(Select(handle), 0);
    Read(handle, 4, &status);
    EXPECT_EQ(status, 0);
    const std::uint8_t factory[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    std::uint8_t length = 0;
    EXPECT_EQ(api().TyA_NTAG_PwdAuth(handle, factory, pack, &length), 0);
    EXPECT_EQ(length, 2);
}

TEST_F(CardhostApi, WritesPersistAndTheToolSeesThemAcrossProcesses) {
    const std::int32_t handle = OpenFirstReader();
    const std::string uid = FieldUid();
    ASSERT_EQ(Select(handle), 0);
    const std::uint8_t data[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_EQ(api().TyA_NTAG_Write(handle, 6, data), 0);
    const Bytes memory = Memory(uid);
    EXPECT_EQ(Bytes(memory.begin() + 24, memory.begin() + 28), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));

    SimOk({"tag", "poke", uid, "7", "01020304"});
    const Bytes block = Read(handle, 6);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 8),
              (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04}));
}

TEST_F(CardhostApi, TwoProcessesUpdatingAtOnceLoseNothing) {
    const std::string uid = FieldUid();
    const std::string tool = (reader::ExecutableDirectory() / "cardhost-sim").string();
    std::string script;
    for (int worker = 0; worker < 2; ++worker) {
        script += "(for i in $(seq 0 14); do '" + tool + "' tag poke " + uid + " $((8 + " +
                  std::to_string(worker) + " * 15 + i)) 0" + std::to_string(worker + 1) +
                  "0000$(printf %02X $i) || exit 1; done) &\n";
    }
    script += "wait\n";
    const auto scriptPath = directory() / "pokes.sh";
    std::ofstream(scriptPath) << script;
    const ToolResult result = RunProgram("bash '" + scriptPath.string() + "'");
    ASSERT_EQ(result.exitCode, 0) << result.out;
    // Every one of the 30 pages holds what its writer put there.
    const Bytes memory = Memory(uid);
    for (int worker = 0; worker < 2; ++worker) {
        for (int i = 0; i < 15; ++i) {
            const std::size_t at = static_cast<std::size_t>(8 + worker * 15 + i) * 4;
            EXPECT_EQ(
                Bytes(memory.begin() + at, memory.begin() + at + 4),
                (Bytes{static_cast<std::uint8_t>(worker + 1), 0, 0, static_cast<std::uint8_t>(i)}));
        }
    }
}

TEST_F(CardhostApi, ConveyorBringsQueuedTagsAndTakesThemOnTheSuccessBeep) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string queued = SimOk(
        {"queue", "--reader", "SIM-0001", "--count", "2", "--gap-polls", "2", "--layout", "plain"});
    const std::string first = queued.substr(0, 14);
    const std::string second = queued.substr(15, 14);
    const std::int32_t handle = OpenFirstReader();
    std::uint8_t atqa[2] = {};
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_NO_TAG);
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_NO_TAG);
    cardhost::sim::Uid uid{};
    ASSERT_EQ(Select(handle, &uid), 0);
    EXPECT_EQ(cardhost::sim::ToHex(uid), first);

    // The opening beep (20) does not move it; the success beep (10) does.
    ASSERT_EQ(api().Sys_SetBuzzer(handle, 20), 0);
    ASSERT_EQ(Select(handle), 0);
    ASSERT_EQ(api().Sys_SetBuzzer(handle, 10), 0);
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_NO_TAG);
    EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_NO_TAG);
    ASSERT_EQ(Select(handle, &uid), 0);
    EXPECT_EQ(cardhost::sim::ToHex(uid), second);
    // The last queued tag arrived: its used-up queue file is gone.
    EXPECT_TRUE(std::filesystem::is_empty(directory() / "queues"));
    ASSERT_EQ(api().Sys_SetBuzzer(handle, 10), 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(api().TyA_Request(handle, 0x52, atqa), CARDHOST_NO_TAG);

    // A tag placed by hand stays through the success beep.
    SimOk({"tag", "place", first, "--reader", "SIM-0001"});
    ASSERT_EQ(api().Sys_SetBuzzer(handle, 10), 0);
    EXPECT_EQ(Select(handle, &uid), 0);
    EXPECT_EQ(cardhost::sim::ToHex(uid), first);
}

TEST_F(CardhostApi, InjectedFaultsTearingAndDetaching) {
    const std::int32_t handle = OpenFirstReader();
    SimOk({"fault", "fail", "TyA_NTAG_Write", "--reader", "SIM-0001", "--nth", "2", "--status",
           "0x33"});
    ASSERT_EQ(Select(handle), 0);
    const std::uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(api().TyA_NTAG_Write(handle, 4, data), 0);
    EXPECT_EQ(api().TyA_NTAG_Write(handle, 5, data), 0x33);
    // The failed exchange left the tag idle; the rule fired once.
    EXPECT_EQ(api().TyA_NTAG_Write(handle, 5, data), CARDHOST_NO_ANSWER);
    ASSERT_EQ(Select(handle), 0);
    EXPECT_EQ(api().TyA_NTAG_Write(handle, 5, data), 0);

    SimOk({"fault", "tear", "--reader", "SIM-0001", "--after", "2"});
    std::int32_t status = 0;
    Read(handle, 4, &status);
    EXPECT_EQ(status, 0);
    Read(handle, 8, &status);
    EXPECT_EQ(status, 0);
    Read(handle, 12, &status);
    EXPECT_EQ(status, CARDHOST_NO_TAG);

    SimOk({"fault", "detach", "--reader", "SIM-0001", "--after", "1"});
    EXPECT_EQ(api().Sys_SetLight(handle, 1), 0);
    EXPECT_EQ(api().Sys_SetLight(handle, 1), CARDHOST_DETACHED);
    EXPECT_EQ(api().Sys_IsOpen(handle), 0);
}

TEST_F(CardhostApi, StatsCountCommandsAirTimeLightAndBuzzer) {
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    const std::int32_t handle = OpenFirstReader();
    ASSERT_EQ(Select(handle), 0);
    Read(handle, 4);
    Read(handle, 8);
    const std::uint8_t data[4] = {1, 2, 3, 4};
    ASSERT_EQ(api().TyA_NTAG_Write(handle, 4, data), 0);
    ASSERT_EQ(api().Sys_SetLight(handle, 2), 0);
    ASSERT_EQ(api().Sys_SetBuzzer(handle, 10), 0);
    ASSERT_EQ(api().Sys_SetLight(handle, 1), 0);
    EXPECT_EQ(api().TyA_CS_Read(handle, 4, nullptr, nullptr), CARDHOST_NOT_SUPPORTED);
    EXPECT_EQ(api().Sys_IsOpen(handle), 1);
    const std::string stats = SimOk({"stats", "--reader", "SIM-0001"});
    EXPECT_NE(stats.find("command TyA_NTAG_Read 2\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("command TyA_Request 1\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("command TyA_NTAG_Write 1\n"), std::string::npos) << stats;
    // Frames at 106 kbit/s: 0.447 + 4.071 (wake-up and selection) + 2 x 2.080 + 5.028
    EXPECT_NE(stats.find("airtime_ms 13.71\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("lights 2 1\n"), std::string::npos) << stats;
    EXPECT_NE(stats.find("buzzer 10"), std::string::npos) << stats;
    // Commands an open reader passes on are counted, Sys_IsOpen is not.
    EXPECT_NE(stats.find("command TyA_CS_Read 1\n"), std::string::npos) << stats;
    EXPECT_EQ(stats.find("Sys_IsOpen"), std::string::npos) << stats;
}

// The bound table's names, in binding order: the names that fault rules accept.
const std::vector<std::string> kBoundNames = {
#define TW_READER_ENTRY(name) #name,
#include "reader/reader_entries.inc"
#undef TW_READER_ENTRY
};

TEST_F(CardhostApi, EveryEntryPointCanBeMadeToFail) {
    ASSERT_EQ(kBoundNames.size(), cardhost::sim::kEntryPoints.size());
    std::int32_t handle = OpenFirstReader();
    std::uint8_t buffer[64] = {};
    std::uint8_t length = 0;
    std::uint32_t count = 0;
    char serial[64] = {};
    const reader::ReaderApi& r = api();
    // One call of each with good arguments; Sys_IsOpen gives its answer, the others a status.
    const std::map<std::string, std::function<std::int32_t()>> calls = {
        {"Sys_GetDeviceNum", [&] { return r.Sys_GetDeviceNum(0x0416, 0x8020, &count); }},
        {"Sys_GetHidSerialNumberStr",
         [&] { return r.Sys_GetHidSerialNumberStr(0, 0x0416, 0x8020, serial, sizeof serial); }},
        {"Sys_Open",
         [&] {
             std::int32_t other = -1;
             return r.Sys_Open(&other, 0, 0x0416, 0x8020);
         }},
        {"Sys_IsOpen", [&] { return r.Sys_IsOpen(handle); }},
        {"Sys_Close", [&] { return r.Sys_Close(&handle); }},
        {"Sys_SetLight", [&] { return r.Sys_SetLight(handle, 1); }},
        {"Sys_SetBuzzer", [&] { return r.Sys_SetBuzzer(handle, 20); }},
        {"Sys_SetAntenna", [&] { return r.Sys_SetAntenna(handle, 1); }},
        {"Sys_InitType", [&] { return r.Sys_InitType(handle, 'A'); }},
        {"Sys_Transceive",
         [&] {
             const std::uint8_t read[2] = {0x30, 0x04};
             std::uint32_t size = sizeof buffer;
             return r.Sys_Transceive(handle, read, 2, buffer, &size);
         }},
        {"TyA_Request", [&] { return r.TyA_Request(handle, 0x52, buffer); }},
        {"TyA_Anticollision", [&] { return r.TyA_Anticollision(handle, buffer, &length); }},
        {"TyA_Select", [&] { return r.TyA_Select(handle, buffer, buffer + 8); }},
        {"TyA_Halt", [&] { return r.TyA_Halt(handle); }},
        {"TyA_CS_Authentication2",
         [&] { return r.TyA_CS_Authentication2(handle, 0x60, 4, buffer); }},
        {"TyA_CS_Read", [&] { return r.TyA_CS_Read(handle, 4, buffer, &length); }},
        {"TyA_CS_Write", [&] { return r.TyA_CS_Write(handle, 4, buffer); }},
        {"TyA_NTAG_AnticollSelect",
         [&] { return r.TyA_NTAG_AnticollSelect(handle, buffer, &length); }},
        {"TyA_NTAG_GetVersion", [&] { return r.TyA_NTAG_GetVersion(handle, buffer, &length); }},
        {"TyA_NTAG_Read", [&] { return r.TyA_NTAG_Read(handle, 4, buffer, &length); }},
        {"TyA_NTAG_FastRead",
         [&] {
             std::uint32_t size = 0;
             return r.TyA_NTAG_FastRead(handle, 4, 7, buffer, &size);
         }},
        {"TyA_NTAG_Write", [&] { return r.TyA_NTAG_Write(handle, 4, buffer); }},
        {"TyA_NTAG_CompWrite", [&] { return r.TyA_NTAG_CompWrite(handle, 4, buffer); }},
        {"TyA_NTAG_ReadCnt", [&] { return r.TyA_NTAG_ReadCnt(handle, 2, buffer, &length); }},
        {"TyA_NTAG_PwdAuth",
         [&] { return r.TyA_NTAG_PwdAuth(handle, buffer, buffer + 8, &length); }},
        {"TyA_NTAG_ReadSig", [&] { return r.TyA_NTAG_ReadSig(handle, buffer, &length); }},
    };
    for (const std::string& name : kBoundNames) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(cardhost::sim::IsEntryPoint(name));
        ASSERT_EQ(calls.count(name), 1u);
        const bool isOpen = name == "Sys_IsOpen";
        std::vector<std::string> rule = {"fault", "fail", name, "--reader", "SIM-0001"};
        if (!isOpen)
            rule.insert(rule.end(), {"--status", name.starts_with("Sys_") ? "0xFE" : "0x7FFFFF42"});
        SimOk(rule);
        const std::int32_t expected = isOpen ? 0 : name.starts_with("Sys_") ? 0xFE : 0x7FFFFF42;
        EXPECT_EQ(calls.at(name)(), expected);
        // The rule fired once and is gone.
        EXPECT_EQ(SimOk({"fault", "list", "--reader", "SIM-0001"}), "");
        EXPECT_NE(calls.at(name)(), expected);
        if (handle == -1) handle = OpenFirstReader();  // the second Sys_Close did close it
    }
}

TEST_F(CardhostApi, RulesForCallsWithoutAnOpenReaderFireOnTheReaderConcerned) {
    SimOk({"reader", "add", "SIM-0002"});
    const auto rule = [&](const std::string& kind, const std::string& serial, const char* nth) {
        SimOk({"fault", "fail", kind, "--reader", serial, "--nth", nth, "--status", "0x42"});
    };
    // Enumeration concerns every reader: a rule on the second one fails it.
    rule("Sys_GetDeviceNum", "SIM-0002", "2");
    std::uint32_t count = 0;
    EXPECT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), 0);
    EXPECT_EQ(count, 2u);
    count = 0;
    EXPECT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), 0x42);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), 0);

    // The serial and opening concern the reader at the position asked for.
    rule("Sys_GetHidSerialNumberStr", "SIM-0002", "1");
    rule("Sys_Open", "SIM-0002", "1");
    char serial[32] = {};
    EXPECT_EQ(api().Sys_GetHidSerialNumberStr(0, 0x0416, 0x8020, serial, sizeof serial), 0);
    EXPECT_EQ(api().Sys_GetHidSerialNumberStr(1, 0x0416, 0x8020, serial, sizeof serial), 0x42);
    EXPECT_EQ(api().Sys_GetHidSerialNumberStr(1, 0x0416, 0x8020, serial, sizeof serial), 0);
    EXPECT_STREQ(serial, "SIM-0002");
    std::int32_t first = -1, second = -1;
    EXPECT_EQ(api().Sys_Open(&first, 0, 0x0416, 0x8020), 0);
    EXPECT_EQ(api().Sys_Open(&second, 1, 0x0416, 0x8020), 0x42);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(api().Sys_Open(&second, 1, 0x0416, 0x8020), 0);  // not held by the failed open

    // A failed close leaves the reader open and held; the next close ends it.
    rule("Sys_Close", "SIM-0001", "1");
    const std::int32_t opened = first;
    EXPECT_EQ(api().Sys_Close(&first), 0x42);
    EXPECT_EQ(first, opened);
    EXPECT_EQ(api().Sys_IsOpen(first), 1);
    std::int32_t again = -1;
    EXPECT_EQ(api().Sys_Open(&again, 0, 0x0416, 0x8020), CARDHOST_BUSY);
    EXPECT_EQ(api().Sys_Close(&first), 0);
    EXPECT_EQ(first, -1);

    // Sys_IsOpen answers "not open" once, then the truth again.
    SimOk({"fault", "fail", "Sys_IsOpen", "--reader", "SIM-0002", "--nth", "2"});
    EXPECT_EQ(api().Sys_IsOpen(second), 1);
    EXPECT_EQ(api().Sys_IsOpen(second), 0);
    EXPECT_EQ(api().Sys_IsOpen(second), 1);
    api().Sys_Close(&second);
}

TEST_F(CardhostApi, AStoppedPcscServiceIsAStatusUnlessAnotherBackendOffersReaders) {
#ifndef TAGWRIGHT_WITH_PCSC
    GTEST_SKIP() << "built without pcsc-lite (CARDHOST_WITH_PCSC off)";
#else
    // The PC/SC client looks for its service here: nothing listens, as when pcscd is stopped.
    setenv("PCSCLITE_CSOCK_NAME", (directory() / "no-pcscd.comm").c_str(), 1);
    setenv("CARDHOST_BACKENDS", "pcsc", 1);
    std::uint32_t count = 99;
    EXPECT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), CARDHOST_SERVICE_UNAVAILABLE);
    std::int32_t handle = -1;
    EXPECT_EQ(api().Sys_Open(&handle, 0, 0x0416, 0x8020), CARDHOST_SERVICE_UNAVAILABLE);

    setenv("CARDHOST_BACKENDS", "pcsc,sim", 1);
    ASSERT_EQ(api().Sys_GetDeviceNum(0x0416, 0x8020, &count), 0);
    EXPECT_EQ(count, 1u);
    char serial[256] = {};
    ASSERT_EQ(api().Sys_GetHidSerialNumberStr(0, 0x0416, 0x8020, serial, sizeof serial), 0);
    EXPECT_STREQ(serial, "SIM-0001");
    unsetenv("PCSCLITE_CSOCK_NAME");
#endif
}

}  // namespace
}  // namespace tagwright::testing
