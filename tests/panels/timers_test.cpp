// SPDX-License-Identifier: MIT
// Hand-driven timers behave as real ones: a sweep fires only the timers that were running when
// it began and were not killed or started anew by an earlier tick of the same sweep.
#include <gtest/gtest.h>

#include <string>

#include "panels/core/timers.h"
#include "testing/manual_timers.h"

namespace tagwright::panels {
namespace {

using std::chrono::milliseconds;
using testing::ManualTimers;

TEST(ManualTimers, ATimerKilledOrRestartedEarlierInASweepDoesNotFireInIt) {
    ManualTimers timers;
    std::string fired;
    timers.Start(1, milliseconds(100), [&] { fired += "1"; });
    timers.Start(0, milliseconds(100), [&] {
        fired += "0";
        timers.Kill(1);  // as Stop does from inside a run
    });
    timers.TickAll();
    EXPECT_EQ(fired, "0");
    EXPECT_FALSE(timers.Running(1));

    fired.clear();
    timers.Start(0, milliseconds(100), [&] {
        fired += "0";
        timers.Start(1, milliseconds(100), [&] { fired += "1"; });
    });
    timers.TickAll();  // 1 starts during the sweep: its first tick comes a period later
    EXPECT_EQ(fired, "0");
    timers.Kill(0);
    timers.TickAll();
    EXPECT_EQ(fired, "01");
}

TEST(ManualTimers, ATickMayKillOrRestartItsOwnTimer) {
    ManualTimers timers;
    int runs = 0;
    timers.Start(0, milliseconds(100), [&] {
        ++runs;
        timers.Kill(0);
    });
    timers.TickAll();
    timers.TickAll();
    EXPECT_EQ(runs, 1);

    timers.Start(0, milliseconds(100), [&] {
        ++runs;
        timers.Start(0, milliseconds(50), [&] { runs += 10; });
    });
    timers.TickAll();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(timers.Period(0), milliseconds(50));
    timers.TickAll();
    EXPECT_EQ(runs, 12);
}

}  // namespace
}  // namespace tagwright::panels
