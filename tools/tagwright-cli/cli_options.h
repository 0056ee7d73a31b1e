// The command line of tagwright-cli, checked into one structure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "panels/core/panel.h"
#include "text/text_tables.h"

namespace tagwright::cli {

enum class Command { Readers, Read, Write, ClearKey, Help };

struct CliOptions {
    Command command = Command::Help;
    panels::PanelKind panel = panels::PanelKind::Text;
    std::optional<std::string> reader;
    text::Language language = text::Language::English;
    bool json = false;
    bool verbose = false;  // readers: with what each backend knows of the reader

    std::string content;  // TEXT or URL
    bool contentGiven = false;
    bool fromStdin = false;
    int prefixCode = 0;
    std::string title;

    std::string originalKey = "7C7C7C7C";
    std::string newKey = "7C7C7C7C";
    bool encrypt = false;
    bool lock = false;
    std::optional<std::string> fromFile;
    std::string row = "1";
    bool rowAuto = true;

    bool autoOperation = false;
    std::optional<std::uint64_t> count;  // Auto operation ends after this many tags
};

// Throws tools::UsageError with a message fit for the operator.
CliOptions ParseCommandLine(const std::vector<std::string>& words);

extern const char* const kUsage;

}  // namespace tagwright::cli
