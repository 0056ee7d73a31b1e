// SPDX-License-Identifier: MIT
// The log feed: how every part of the program tells the operator what happens.
//
// Three operations write the message log (numbered, coloured lines) and two write the Tips field
// (one line, latest status only). They reach whatever sink is installed: the log view of the
// window, a console, or a recorder in tests. Callers hold no reference to any window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tagwright::feed {

struct Rgb {
    std::uint8_t red, green, blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlue{0, 0, 255};  // progress and success
inline constexpr Rgb kRed{255, 0, 0};   // failures

struct LogLine {
    std::int32_t number;  // 1-based, counted since the last clear
    std::string text;
    std::int32_t code;  // reader status code, 0 for none
    Rgb colour;
};

class LogSink {
  public:
    virtual ~LogSink() = default;
    virtual void OnAppend(const LogLine& line) = 0;
    virtual void OnClear() = 0;
    virtual void OnStatus(std::string_view text, Rgb colour) = 0;
};

// Installs the sink that receives everything from now on (nullptr: everything is dropped).
// Returns the one installed before.
LogSink* SetLogSink(LogSink* sink);

void AppendLog(std::int32_t code, std::string_view text, Rgb colour);
void ClearLog();
void ShowStatus(std::string_view text, Rgb colour);
void ShowCallError(std::int32_t code, std::string_view functionName);

// "Error Code: 0x%02x" with the code as unsigned 32 bits; empty for code 0.
std::string FormatErrorCode(std::int32_t code);
// "Error:0x%02x,Function:NAME" from the result fragments of the current language.
std::string FormatReaderError(std::int32_t code, std::string_view functionName);

}  // namespace tagwright::feed
