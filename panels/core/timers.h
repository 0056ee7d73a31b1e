// SPDX-License-Identifier: MIT
// Periodic callbacks on the user-interface thread: window timers in the GUI, a loop on a
// console (a hand-driven clock for tests is in testing/manual_timers.h).
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

}  // namespace tagwright::panels
