// SPDX-License-Identifier: MIT
// A hand-driven clock for the panels' timers: tests and fuzzers tick it themselves.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "panels/core/timers.h"

namespace tagwright::testing {

// Timers that tick only when told to.
class ManualTimers : public panels::TimerService {
  public:
    void Start(int id, std::chrono::milliseconds period, std::function<void()> tick) override {
        timers_[id] = {period, std::move(tick), ++starts_};
    }
    void Kill(int id) override { timers_.erase(id); }

    bool Running(int id) const { return timers_.count(id) > 0; }
    bool AnyRunning() const { return !timers_.empty(); }
    std::chrono::milliseconds Period(int id) const { return timers_.at(id).period; }
    // One tick of every timer that was running when the sweep began, in id order. As with real
    // timers, one that an earlier tick of the sweep killed or started anew does not fire in it.
    void TickAll() {
        std::vector<std::pair<int, std::uint64_t>> due;
        for (const auto& [id, timer] : timers_)
            due.emplace_back(id, timer.start);
        for (const auto& [id, start] : due) {
            const auto it = timers_.find(id);
            if (it == timers_.end() || it->second.start != start) continue;
            const auto tick = it->second.tick;  // the tick may kill or restart its own timer
            tick();
        }
    }

  private:
    struct Timer {
        std::chrono::milliseconds period;
        std::function<void()> tick;
        std::uint64_t start;  // which Start made it
    };
    std::map<int, Timer> timers_;
    std::uint64_t starts_ = 0;
};

}  // namespace tagwright::testing
