// SPDX-License-Identifier: MIT
// The command line of tagwright-cli, checked into one structure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "panels/core/panel.h"
#include "tag/ntag_model.h"
#include "text/text_tables.h"

namespace tagwright::cli {

enum class Command { Readers, Read, Write, ClearKey, Erase, Journal, Check, Help, Version };

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
    bool lockConfig = false;    // with lock: the configuration pages too
    int attemptLimit = 0;       // with encrypt: AUTHLIM, 0 leaves it as it is
    bool protectReads = false;  // with encrypt: --protect read-write (PROT)
    std::optional<std::string> fromFile;
    std::string row = "1";
    bool rowAuto = true;

    bool verify = false;            // read every written page back and compare
    bool counter = false;           // switch the NFC counter on
    bool counterProtected = false;  // and READ_CNT only with the password
    bool genuineOnly = false;       // refuse a tag whose signature is not NXP's
    std::string pack;               // the chosen PACK, four hex digits; empty: derived
    tag::MirrorKind mirror = tag::MirrorKind::None;  // url and poster: UID and/or counter
    bool templates = false;  // {uid}, {row} and {n} in the content and title
    // The sheet pre-flight check (the check command, and Auto operation from a file).
    tag::ModelCode model = tag::kNtag210;
    std::uint8_t ndefOffset = 0;
    bool noCheck = false;

    bool autoOperation = false;
    std::optional<std::uint64_t> count;  // Auto operation ends after this many tags

    // The journal: a file of its own, or none; by default one file a day in the data folder.
    std::optional<std::string> journalPath;
    bool noJournal = false;
    bool resume = false;      // --from-file: start after the last row the journal has written
    bool uniqueTags = false;  // --from-file: refuse a tag that already received a row

    // The journal command.
    std::optional<std::string> since;  // YYYY-MM-DD (UTC)
    std::optional<std::string> batch;  // the batch file whose records are shown
};

// Throws tools::UsageError with a message fit for the operator.
CliOptions ParseCommandLine(const std::vector<std::string>& words);

extern const char* const kUsage;

}  // namespace tagwright::cli
