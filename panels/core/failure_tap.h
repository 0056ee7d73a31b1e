// SPDX-License-Identifier: MIT
// Listens to the log feed during one run, passing everything on, and keeps the last red line:
// the failure text and status code that the journal records.
#pragma once

#include "log/log_feed.h"

namespace tagwright::panels {

class FailureTap : public feed::LogSink {
  public:
    FailureTap() : next_(feed::SetLogSink(this)) {}
    ~FailureTap() override { feed::SetLogSink(next_); }
    FailureTap(const FailureTap&) = delete;
    FailureTap& operator=(const FailureTap&) = delete;

    void OnAppend(const feed::LogLine& line) override {
        if (line.colour == feed::kRed) {
            text = line.text;
            code = line.code;
        }
        if (next_ != nullptr) next_->OnAppend(line);
    }
    void OnClear() override {
        if (next_ != nullptr) next_->OnClear();
    }
    void OnStatus(std::string_view status, feed::Rgb colour) override {
        if (colour == feed::kRed) text = std::string(status);
        if (next_ != nullptr) next_->OnStatus(status, colour);
    }

    std::string text;
    std::int32_t code = 0;

  private:
    feed::LogSink* next_;
};

}  // namespace tagwright::panels
