// SPDX-License-Identifier: MIT
// A sink that keeps everything it is given: the log as it stands and the Tips field.
#pragma once

#include <string>
#include <vector>

#include "log/log_feed.h"

namespace tagwright::testing {

class RecordingSink : public feed::LogSink {
  public:
    // Installs itself for its lifetime and puts the previous sink back afterwards.
    RecordingSink() : previous_(feed::SetLogSink(this)) {
        feed::ClearLog();  // a fresh log, numbered from 1
        clears = 0;
    }
    ~RecordingSink() override { feed::SetLogSink(previous_); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    void OnAppend(const feed::LogLine& line) override { lines.push_back(line); }
    void OnClear() override {
        lines.clear();
        ++clears;
    }
    void OnStatus(std::string_view text, feed::Rgb colour) override {
        status = std::string(text);
        statusColour = colour;
        ++statusWrites;
    }

    // The texts of the log's lines, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const feed::LogLine& line : lines)
            texts.push_back(line.text);
        return texts;
    }

    std::vector<feed::LogLine> lines;  // the log as the operator would see it now
    int clears = 0;
    std::string status;
    feed::Rgb statusColour{0, 0, 0};
    int statusWrites = 0;

  private:
    feed::LogSink* previous_;
};

}  // namespace tagwright::testing
