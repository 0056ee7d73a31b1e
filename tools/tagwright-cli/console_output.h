// SPDX-License-Identifier: MIT
// What tagwright-cli prints: the log lines as the window's log shows them, the Tips field, read
// results, progress and the summary; plain, coloured on a terminal, or one JSON object a line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "log/log_feed.h"

namespace tagwright::cli {

// One object of the JSON output: its fields print in the order they were set.
using Json = nlohmann::ordered_json;

// An object whose first field is "type".
Json Typed(const char* type);
// `object[name]` := the bytes as text, those that are not UTF-8 as U+FFFD; when there are such
// bytes, also `object[name + "Hex"]` with every byte in hexadecimal.
void SetText(Json& object, const std::string& name, const std::string& bytes);

class ConsoleOutput : public feed::LogSink {
  public:
    ConsoleOutput(bool json, std::FILE* out, std::FILE* progress);

    void OnAppend(const feed::LogLine& line) override;
    void OnClear() override;
    void OnStatus(std::string_view text, feed::Rgb colour) override;

    // A JSON object, or a plain line.
    void Emit(const Json& object, const std::string& plain);
    // {"type":"error"|"warning","text":...}, or the plain line.
    void EmitError(const std::string& text, const std::string& plain);
    void EmitWarning(const std::string& text, const std::string& plain);
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
