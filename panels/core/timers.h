// Periodic callbacks on the user-interface thread: window timers in the GUI, a loop on a
// console, a hand-driven clock in tests.
#pragma once

#include <chrono>
#include <functional>
#include <map>

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
        timers_[id] = {period, std::move(tick)};
    }
    void Kill(int id) override { timers_.erase(id); }

    bool Running(int id) const { return timers_.count(id) > 0; }
    bool AnyRunning() const { return !timers_.empty(); }
    std::chrono::milliseconds Period(int id) const { return timers_.at(id).period; }
    // One tick of every running timer, in id order.
    void TickAll() {
        std::vector<std::function<void()>> due;
        for (auto& [id, timer] : timers_)
            due.push_back(timer.tick);
        for (auto& tick : due)
            tick();
    }

  private:
    struct Timer {
        std::chrono::milliseconds period;
        std::function<void()> tick;
    };
    std::map<int, Timer> timers_;
};

}  // namespace tagwright::panels
