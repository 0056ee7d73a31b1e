// SPDX-License-Identifier: MIT
// A panel's Auto operation timers on the Qt event loop: one QTimer per timer id, owned for the
// panel's lifetime. A tick may Kill or Start its own timer; a QTimer is never deleted inside its
// own timeout, only stopped (it goes when the panel goes).
#pragma once

#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "panels/core/timers.h"

namespace tagwright::shell {

class QtTimers : public panels::TimerService {
  public:
    void Start(int id, std::chrono::milliseconds period, std::function<void()> tick) override;
    void Kill(int id) override;
    bool Running(int id) const;

  private:
    struct Slot {
        std::unique_ptr<QTimer> timer;
        std::function<void()> tick;
    };
    std::map<int, Slot> slots_;
};

}  // namespace tagwright::shell
