// SPDX-License-Identifier: MIT
// Periodic callbacks on the user-interface thread: window timers in the GUI, a loop on a
// console, a hand-driven clock in tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace tagwright::panels {

class TimerService {
  public:
    virtual ~TimerService() = default;
    // (Re)starts timer `id`; `tick` runs every `period` until Kill. Runs never overlap.
    virtual void Start(int id, std::chrono::milliseconds period, std::function<void()> tick) = 0;
    virtual void Kill(int id) = 0;
};

// Timers that tick only when told to, for tests and for front ends that run their own loop.
class ManualTimers : public TimerService {
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

}  // namespace tagwright::panels
