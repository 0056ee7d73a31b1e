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

Json Typed(const char* type) {
    Json object;
    object["type"] = type;
    return object;
}

void SetText(Json& object, const std::string& name, const std::string& bytes) {
    object[name] = ReplaceInvalidUtf8(bytes);
    if (!IsValidUtf8(bytes)) object[name + "Hex"] = HexBytes(bytes);
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

void ConsoleOutput::Emit(const Json& object, const std::string& plain) {
    ClearProgress();
    // Texts are made UTF-8 where they are set; whatever else is not (a path, a reader's name)
    // prints as U+FFFD too rather than stopping the output.
    const std::string line =
        json_ ? object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n" : plain + "\n";
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

void ConsoleOutput::EmitError(const std::string& text, const std::string& plain) {
    Json object = Typed("error");
    object["text"] = ReplaceInvalidUtf8(text);
    Emit(object, plain);
}

void ConsoleOutput::EmitWarning(const std::string& text, const std::string& plain) {
    Json object = Typed("warning");
    object["text"] = ReplaceInvalidUtf8(text);
    Emit(object, plain);
}

void ConsoleOutput::OnAppend(const feed::LogLine& line) {
    current_.push_back(line);
    const std::size_t at = current_.size() - 1;
    if (!json_ && !diverged_ && at < previous_.size() && SameLine(previous_[at], line)) return;
    diverged_ = true;
    if (clearPending_) {
        if (json_) Emit(Typed("clear"), "");
        clearPending_ = false;
    }
    const std::string code = feed::FormatErrorCode(line.code);
    char number[16];
    std::snprintf(number, sizeof number, "%4d  ", line.number);
    Json object = Typed("log");
    object["number"] = line.number;
    SetText(object, "text", line.text);
    object["code"] = line.code;
    object["errorCode"] = code;
    object["colour"] = ColourName(line.colour);
    Emit(object, number + Colour(line.colour, EscapeForTerminal(line.text)) +
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
    Json object = Typed("status");
    SetText(object, "text", t);
    object["colour"] = ColourName(colour);
    Emit(object, "Tips: " + Colour(colour, EscapeForTerminal(t)));
}

void ConsoleOutput::Progress(const std::string& text) {
    if (progress_ == nullptr) return;
    std::fprintf(progress_, "\r\033[K%s", text.c_str());
    std::fflush(progress_);
    progressShown_ = true;
}

}  // namespace tagwright::cli
