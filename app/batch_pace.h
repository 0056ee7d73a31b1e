// SPDX-License-Identifier: MIT
// The pace of an Auto batch from a sheet, for the line the operator watches: the row of the
// sheet, the tags written since Write, tags per minute and the time the rows left will take.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tagwright::app {

class BatchPace {
  public:
    using Clock = std::chrono::steady_clock;

    // The batch started at `now` (Write pressed and any question answered) on row `row` of a
    // sheet whose last text row is `lastRow`.
    void Start(Clock::time_point now, int row, int lastRow);
    // Whether a batch is under way, whose runs the pace takes in.
    bool started() const { return started_; }
    // The batch wrote its last row at `now`: its figures stay as they were then.
    void Finish(Clock::time_point now);
    // Whether there is a line to show: a batch under way or the one that just wrote its last row.
    bool shown() const { return started_ || finished_; }
    // A tag was written; the row field now holds `row` (the next one to write).
    void Written(int row);
    // The row field at a run's end (by hand, or Row +1 between tags).
    void AtRow(int row) { row_ = row; }

    struct Figures {
        int row = 0, lastRow = 0;
        std::uint64_t written = 0;
        std::optional<double> perMinute;           // none before the first tag
        std::optional<std::chrono::seconds> left;  // none before the first tag
    };
    Figures At(Clock::time_point now) const;
    // The status line in the current language.
    std::string Line(Clock::time_point now) const;

  private:
    bool started_ = false, finished_ = false;
    Clock::time_point start_{}, end_{};
    int row_ = 0, lastRow_ = 0;
    std::uint64_t written_ = 0;
};

}  // namespace tagwright::app
