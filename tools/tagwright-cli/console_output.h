// SPDX-License-Identifier: MIT
// What tagwright-cli prints: the log lines as the window's log shows them, the Tips field, read
// results, progress and the summary; plain, coloured on a terminal, or one JSON object a line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "log/log_feed.h"

namespace tagwright::cli {

// A JSON string; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& bytes);
// `"name":"..."`, and when the bytes are not all UTF-8 also `"nameHex":"..."` with every byte.
std::string JsonText(const std::string& name, const std::string& bytes);

class ConsoleOutput : public feed::LogSink {
  public:
    ConsoleOutput(bool json, std::FILE* out, std::FILE* progress);

    void OnAppend(const feed::LogLine& line) override;
    void OnClear() override;
    void OnStatus(std::string_view text, feed::Rgb colour) override;

    // A JSON object's fields (already encoded, without braces), or a plain line.
    void Emit(const std::string& jsonFields, const std::string& plain);
    void Progress(const std::string& text);

  private:
    void ClearProgress();
    std::string Colour(feed::Rgb colour, const std::string& text) const;

    bool json_;
    std::FILE* out_;
    std::FILE* progress_;  // nullptr: no progress line
    bool colours_;
    bool progressShown_ = false;
    // Auto operation clears the log ten times a second; on a terminal a log that only repeats
    // what the last one showed is not printed again. JSON gets every line.
    std::vector<feed::LogLine> previous_, current_;
    bool diverged_ = true;
    bool clearPending_ = false;
};

}  // namespace tagwright::cli
