// SPDX-License-Identifier: MIT
// One contract for every timer service the panels run on: the hand-driven one of the tests, the
// console's loop and the Qt event loop. Auto operation relies on each rule: a tick that stops
// Auto operation kills its own timer, Stop kills the other one, a new panel restarts a timer
// with another tick.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "panels/core/timers.h"
#include "shell/qt_timers.h"
#include "testing/manual_timers.h"
#include "tools/tagwright-cli/loop_timers.h"

namespace tagwright::testing {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Lets one kind of timers run.
class TimerDriver {
  public:
    virtual ~TimerDriver() = default;
    virtual panels::TimerService& service() = 0;
    // Runs the timers until `done` holds or `budget` has passed; whether `done` held.
    virtual bool RunUntil(const std::function<bool()>& done, milliseconds budget) = 0;
};

class ManualDriver : public TimerDriver {
  public:
    panels::TimerService& service() override { return timers_; }
    bool RunUntil(const std::function<bool()>& done, milliseconds budget) override {
        // A sweep stands for the shortest period of these tests, 10 ms.
        for (auto sweeps = budget.count() / 10; sweeps > 0 && !done(); --sweeps)
            timers_.TickAll();
        return done();
    }

  private:
    testing::ManualTimers timers_;
};

class LoopDriver : public TimerDriver {
  public:
    panels::TimerService& service() override { return timers_; }
    bool RunUntil(const std::function<bool()>& done, milliseconds budget) override {
        // A watcher among the timers ends the loop, as Ctrl-C does.
        std::atomic<bool> stop = false;
        const Clock::time_point end = Clock::now() + budget;
        timers_.Start(kWatcher, milliseconds(1), [&] {
            if (done() || Clock::now() >= end) stop = true;
        });
        timers_.Run(stop);
        timers_.Kill(kWatcher);
        return done();
    }

  private:
    static constexpr int kWatcher = 1000;
    cli::LoopTimers timers_;
};

class QtDriver : public TimerDriver {
  public:
    panels::TimerService& service() override { return timers_; }
    bool RunUntil(const std::function<bool()>& done, milliseconds budget) override {
        return QTest::qWaitFor(done, int(budget.count()));
    }

  private:
    shell::QtTimers timers_;
};

enum class Kind { Manual, Loop, Qt };

class TimerContract : public ::testing::TestWithParam<Kind> {
  protected:
    void SetUp() override {
        switch (GetParam()) {
            case Kind::Manual:
                driver_ = std::make_unique<ManualDriver>();
                break;
            case Kind::Loop:
                driver_ = std::make_unique<LoopDriver>();
                break;
            case Kind::Qt:
                driver_ = std::make_unique<QtDriver>();
                break;
        }
    }
    panels::TimerService& timers() { return driver_->service(); }
    bool RunUntil(const std::function<bool()>& done, milliseconds budget = milliseconds(2000)) {
        return driver_->RunUntil(done, budget);
    }
    // Lets the timers run a while when nothing is expected to happen.
    void RunAWhile() {
        driver_->RunUntil([] { return false; }, milliseconds(60));
    }

    std::unique_ptr<TimerDriver> driver_;
};

TEST_P(TimerContract, ATimerTicksUntilItIsKilledAndKillingAnUnknownOneDoesNothing) {
    int ticks = 0;
    timers().Kill(7);
    timers().Start(0, milliseconds(10), [&] { ++ticks; });
    ASSERT_TRUE(RunUntil([&] { return ticks >= 3; }));
    timers().Kill(0);
    const int killedAt = ticks;
    RunAWhile();
    EXPECT_EQ(ticks, killedAt);
}

TEST_P(TimerContract, ATickThatKillsItsOwnTimerIsItsLast) {
    int ticks = 0;
    timers().Start(0, milliseconds(10), [&] {
        ++ticks;
        timers().Kill(0);
    });
    EXPECT_FALSE(RunUntil([&] { return ticks >= 2; }, milliseconds(100)));
    EXPECT_EQ(ticks, 1);
}

TEST_P(TimerContract, ATickThatRestartsItsTimerHandsOverToTheNewTick) {
    int first = 0;
    int second = 0;
    timers().Start(0, milliseconds(10), [&] {
        ++first;
        timers().Start(0, milliseconds(10), [&] { ++second; });
    });
    ASSERT_TRUE(RunUntil([&] { return second >= 2; }));
    EXPECT_EQ(first, 1);
    timers().Kill(0);
}

TEST_P(TimerContract, ATickThatKillsAnotherTimerKeepsItFromFiring) {
    int killer = 0;
    int killed = 0;
    timers().Start(0, milliseconds(10), [&] {
        ++killer;
        timers().Kill(1);
    });
    timers().Start(1, milliseconds(40), [&] { ++killed; });
    ASSERT_TRUE(RunUntil([&] { return killer >= 3; }));
    timers().Kill(0);
    RunAWhile();
    EXPECT_EQ(killed, 0);
}

TEST_P(TimerContract, ATimerRestartedFromOutsideRunsTheLatestTickOnly) {
    int old = 0;
    int latest = 0;
    timers().Start(0, milliseconds(10), [&] { ++old; });
    timers().Start(0, milliseconds(10), [&] { ++latest; });
    ASSERT_TRUE(RunUntil([&] { return latest >= 2; }));
    EXPECT_EQ(old, 0);
    timers().Kill(0);
}

std::string KindName(const ::testing::TestParamInfo<Kind>& param) {
    const char* const names[] = {"ManualTimers", "LoopTimers", "QtTimers"};
    return names[int(param.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryTimerService, TimerContract,
                         ::testing::Values(Kind::Manual, Kind::Loop, Kind::Qt), KindName);

}  // namespace
}  // namespace tagwright::testing

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
