// SPDX-License-Identifier: MIT
#include "batch_pace.h"

#include <cstdio>

#include "text/text_tables.h"

namespace tagwright::app {

void BatchPace::Start(Clock::time_point now, int row, int lastRow) {
    started_ = true;
    finished_ = false;
    start_ = now;
    row_ = row;
    lastRow_ = lastRow;
    written_ = 0;
}

void BatchPace::Finish(Clock::time_point now) {
    started_ = false;
    finished_ = true;
    end_ = now;
}

void BatchPace::Written(int row) {
    ++written_;
    row_ = row;
}

BatchPace::Figures BatchPace::At(Clock::time_point now) const {
    Figures f;
    // A batch done with its last row stands past it: the line then names the last row.
    f.row = finished_ && row_ > lastRow_ ? lastRow_ : row_;
    f.lastRow = lastRow_;
    f.written = written_;
    const double seconds = std::chrono::duration<double>((finished_ ? end_ : now) - start_).count();
    if (written_ == 0 || seconds <= 0) return f;
    f.perMinute = 60.0 * double(written_) / seconds;
    // The row shown is the next to write: it and every row after it up to the last are left.
    const long long rowsLeft = row_ <= lastRow_ ? lastRow_ - row_ + 1 : 0;
    f.left = std::chrono::seconds(
        static_cast<long long>(double(rowsLeft) * seconds / double(written_) + 0.5));
    return f;
}

std::string BatchPace::Line(Clock::time_point now) const {
    const Figures f = At(now);
    char perMinute[32] = "--";
    if (f.perMinute) std::snprintf(perMinute, sizeof perMinute, "%.1f", *f.perMinute);
    char left[32] = "--:--";
    if (f.left) {
        const long long s = f.left->count();
        if (s >= 3600) {
            std::snprintf(left, sizeof left, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
        } else {
            std::snprintf(left, sizeof left, "%lld:%02lld", s / 60, s % 60);
        }
    }
    return text::TrArgs(text::Table::General, text::general::kBatchProgress,
                        {std::to_string(f.row), std::to_string(f.lastRow),
                         std::to_string(f.written), perMinute, left});
}

}  // namespace tagwright::app
