// SPDX-License-Identifier: MIT
#include "log_feed.h"

#include <cstdio>

#include "text/text_tables.h"

namespace tagwright::feed {
namespace {

LogSink* g_sink = nullptr;
std::int32_t g_lineCounter = 0;

std::string Hex(std::int32_t code) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%02x", static_cast<std::uint32_t>(code));
    return buffer;
}

}  // namespace

LogSink* SetLogSink(LogSink* sink) {
    LogSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

void AppendLog(std::int32_t code, std::string_view text, Rgb colour) {
    const LogLine line{++g_lineCounter, std::string(text), code, colour};
    if (g_sink != nullptr) g_sink->OnAppend(line);
}

void ClearLog() {
    g_lineCounter = 0;
    if (g_sink != nullptr) g_sink->OnClear();
}

void ShowStatus(std::string_view text, Rgb colour) {
    if (g_sink != nullptr) g_sink->OnStatus(text, colour);
}

void ShowCallError(std::int32_t code, std::string_view functionName) {
    ShowStatus(FormatReaderError(code, functionName), kRed);
}

std::string FormatErrorCode(std::int32_t code) {
    return code == 0 ? std::string() : "Error Code: " + Hex(code);
}

std::string FormatReaderError(std::int32_t code, std::string_view functionName) {
    using text::Table;
    std::string out(text::Tr(Table::ResultFragment, text::fragment::kError));
    out += Hex(code);
    out += text::Tr(Table::ResultFragment, text::fragment::kFunction);
    out += functionName;
    return out;
}

}  // namespace tagwright::feed
