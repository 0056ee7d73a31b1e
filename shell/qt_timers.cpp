// SPDX-License-Identifier: MIT
#include "qt_timers.h"

namespace tagwright::shell {

void QtTimers::Start(int id, std::chrono::milliseconds period, std::function<void()> tick) {
    Slot& slot = slots_[id];
    if (!slot.timer) {
        slot.timer = std::make_unique<QTimer>();
        // The tick is looked up at each timeout: a Start from inside the tick replaces it.
        QObject::connect(slot.timer.get(), &QTimer::timeout, [this, id] {
            const auto it = slots_.find(id);
            if (it == slots_.end() || !it->second.timer->isActive()) return;
            const auto run = it->second.tick;  // the tick may restart its own timer
            run();
        });
    }
    slot.tick = std::move(tick);
    slot.timer->start(period);
}

void QtTimers::Kill(int id) {
    if (const auto it = slots_.find(id); it != slots_.end()) it->second.timer->stop();
}

bool QtTimers::Running(int id) const {
    const auto it = slots_.find(id);
    return it != slots_.end() && it->second.timer->isActive();
}

}  // namespace tagwright::shell
