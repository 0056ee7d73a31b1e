// SPDX-License-Identifier: MIT
// The real-time profiles: what CARDHOST_SIM_REALTIME names, and how long a command lasts with
// each, against the public ACR122U figures (19 to 24 ms a WRITE, 45 ms an activation).
#include <gtest/gtest.h>

#include "cardhost/sim/sim_reader.h"

namespace cardhost::sim {
namespace {

TEST(ReaderLatency, ProfilesByNameAndTheTimeEachCommandTakes) {
    ASSERT_TRUE(ParseRealTime("1"));
    EXPECT_EQ(ParseRealTime("1")->name, "air");
    ASSERT_TRUE(ParseRealTime("air"));
    const ReaderLatency acr122u = *ParseRealTime("acr122u");
    EXPECT_EQ(acr122u.name, "acr122u");
    for (const char* off : {"", "0", "ACR122U", "acr122u ", "yes"})
        EXPECT_FALSE(ParseRealTime(off)) << off;

    // Air only: the modeled air time and nothing else.
    const ReaderLatency air = *ParseRealTime("air");
    for (const char* kind : {"TyA_Request", "TyA_NTAG_Write", "TyA_NTAG_Read"})
        EXPECT_EQ(CommandMicros(kind, air), AirTimeMicros(kind)) << kind;

    // The ACR122U: a WRITE from request to reply in the log's 19 to 24 ms; an activation, the
    // wake-up and the selection, 45 ms; every other command its air time and the same reader
    // time as a WRITE.
    const std::uint32_t write = CommandMicros("TyA_NTAG_Write", acr122u);
    EXPECT_GE(write, 19000u);
    EXPECT_LE(write, 24000u);
    EXPECT_NEAR(
        CommandMicros("TyA_Request", acr122u) + CommandMicros("TyA_NTAG_AnticollSelect", acr122u),
        45000.0, 1.0);
    const auto readerTime = [&](const char* kind) {
        return double(CommandMicros(kind, acr122u)) - AirTimeMicros(kind);
    };
    EXPECT_NEAR(readerTime("TyA_NTAG_Read"), readerTime("TyA_NTAG_Write"), 1.0);
    EXPECT_NEAR(readerTime("TyA_NTAG_PwdAuth"), readerTime("TyA_NTAG_Write"), 1.0);
    // Lights and buzzer never reach the tag, and are not modeled.
    EXPECT_EQ(CommandMicros("Sys_SetLight", acr122u), 0u);
    EXPECT_EQ(CommandMicros("Sys_SetBuzzer", acr122u), 0u);
}

}  // namespace
}  // namespace cardhost::sim
