// SPDX-License-Identifier: MIT
// Timers for a console: ticks run on this thread, in a loop that ends when every timer is
// killed or the operator presses Ctrl-C.
#pragma once

#include <atomic>
#include <chrono>
#include <map>

#include "panels/core/timers.h"

namespace tagwright::cli {

class LoopTimers : public panels::TimerService {
  public:
    void Start(int id, std::chrono::milliseconds period, std::function<void()> tick) override;
    void Kill(int id) override { timers_.erase(id); }
    bool AnyRunning() const { return !timers_.empty(); }

    // Runs due ticks until no timer is left or `stop` turns true.
    void Run(const std::atomic<bool>& stop);

  private:
    struct Timer {
        std::chrono::milliseconds period;
        std::chrono::steady_clock::time_point due;
        std::function<void()> tick;
    };
    std::map<int, Timer> timers_;
};

}  // namespace tagwright::cli
