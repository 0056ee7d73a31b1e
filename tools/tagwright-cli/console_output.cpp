// SPDX-License-Identifier: MIT
#include "console_output.h"

#include <unistd.h>

#include "utf8_text.h"

namespace tagwright::cli {
namespace {

bool SameLine(const feed::LogLine& a, const feed::LogLine& b) {
    return a.number == b.number && a.text == b.text && a.code == b.code && a.colour == b.colour;
}

const char* ColourName(feed::Rgb colour) {
    return colour == feed::kRed ? "red" : "blue";
}

}  // namespace

std::string JsonString(const std::string& bytes) {
    const std::string text = ReplaceInvalidUtf8(bytes);
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string JsonText(const std::string& name, const std::string& bytes) {
    std::string field = "\"" + name + "\":" + JsonString(bytes);
    if (!IsValidUtf8(bytes)) field += ",\"" + name + "Hex\":\"" + HexBytes(bytes) + "\"";
    return field;
}

ConsoleOutput::ConsoleOutput(bool json, std::FILE* out, std::FILE* progress)
    : json_(json),
      out_(out),
      progress_(!json && progress && isatty(fileno(progress)) ? progress : nullptr),
      colours_(!json && isatty(fileno(out))) {}

std::string ConsoleOutput::Colour(feed::Rgb colour, const std::string& text) const {
    if (!colours_) return text;
    return (colour == feed::kRed ? "\033[31m" : "\033[34m") + text + "\033[0m";
}

void ConsoleOutput::ClearProgress() {
    if (progressShown_) {
        std::fputs("\r\033[K", progress_);
        std::fflush(progress_);
        progressShown_ = false;
    }
}

void ConsoleOutput::Emit(const std::string& jsonFields, const std::string& plain) {
    ClearProgress();
    const std::string line = json_ ? "{" + jsonFields + "}\n" : plain + "\n";
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

void ConsoleOutput::OnAppend(const feed::LogLine& line) {
    current_.push_back(line);
    const std::size_t at = current_.size() - 1;
    if (!json_ && !diverged_ && at < previous_.size() && SameLine(previous_[at], line)) return;
    diverged_ = true;
    if (clearPending_) {
        if (json_) Emit("\"type\":\"clear\"", "");
        clearPending_ = false;
    }
    const std::string code = feed::FormatErrorCode(line.code);
    char number[16];
    std::snprintf(number, sizeof number, "%4d  ", line.number);
    Emit("\"type\":\"log\",\"number\":" + std::to_string(line.number) + "," +
             JsonText("text", line.text) + ",\"code\":" + std::to_string(line.code) +
             ",\"errorCode\":" + JsonString(code) + ",\"colour\":\"" + ColourName(line.colour) +
             "\"",
         number + Colour(line.colour, EscapeForTerminal(line.text)) +
             (code.empty() ? "" : "  " + code));
}

void ConsoleOutput::OnClear() {
    // A shorter log than the last one also differs from it.
    if (current_.size() < previous_.size()) diverged_ = true;
    if (diverged_ || !current_.empty()) previous_ = std::move(current_);
    current_.clear();
    diverged_ = false;
    clearPending_ = true;
}

void ConsoleOutput::OnStatus(std::string_view text, feed::Rgb colour) {
    const std::string t(text);
    Emit(
        "\"type\":\"status\"," + JsonText("text", t) + ",\"colour\":\"" + ColourName(colour) + "\"",
        "Tips: " + Colour(colour, EscapeForTerminal(t)));
}

void ConsoleOutput::Progress(const std::string& text) {
    if (progress_ == nullptr) return;
    std::fprintf(progress_, "\r\033[K%s", text.c_str());
    std::fflush(progress_);
    progressShown_ = true;
}

}  // namespace tagwright::cli
