// SPDX-License-Identifier: MIT
#include "loop_timers.h"

#include <thread>

namespace tagwright::cli {

void LoopTimers::Start(int id, std::chrono::milliseconds period, std::function<void()> tick) {
    timers_[id] = {period, std::chrono::steady_clock::now() + period, std::move(tick)};
}

void LoopTimers::Run(const std::atomic<bool>& stop) {
    using Clock = std::chrono::steady_clock;
    while (!timers_.empty() && !stop) {
        auto next = timers_.begin();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due < next->second.due) next = it;
        }
        const Clock::time_point due = next->second.due;
        // Sleep in short steps so that Ctrl-C is heard at once.
        while (Clock::now() < due && !stop) {
            std::this_thread::sleep_for(
                std::min<Clock::duration>(due - Clock::now(), std::chrono::milliseconds(20)));
        }
        if (stop) break;
        // Ticks that fell due while a run blocked are merged into one, as window timers do.
        next->second.due = std::max(due + next->second.period, Clock::now());
        auto tick = next->second.tick;
        tick();  // may kill timers, this one included
    }
}

}  // namespace tagwright::cli
