// SPDX-License-Identifier: MIT
#include "cli_options.h"

#include <cctype>
#include <functional>
#include <set>

#include "key_sources.h"
#include "ndef/uri_record.h"
#include "panels/core/message_template.h"
#include "tools/common/arguments.h"
#include "utf8_text.h"

namespace tagwright::cli {
namespace {

using tools::Arguments;
using tools::UsageError;

const char* const kValued[] = {"--reader",   "--lang",      "--prefix", "--title", "--original-key",
                               "--new-key",  "--from-file", "--row",    "--count", "--journal",
                               "--key-file", "--since",     "--batch",  "--model", "--offset"};
const char* const kFlags[] = {"--json",        "--stdin",       "--encrypt", "--lock",
                              "--no-row-auto", "--auto",        "--help",    "--no-journal",
                              "--resume",      "--unique-tags", "--verbose", "--version",
                              "--verify",      "--templates",   "--no-check"};
// Options whose value is a file name, which need not be UTF-8.
const std::set<std::string> kPathOptions{"--from-file", "--journal", "--key-file", "--batch"};

int PrefixCode(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '5') return text[0] - '0';
    for (std::size_t i = 1; i < ndef::kUriPrefixes.size(); ++i) {
        if (text == ndef::kUriPrefixes[i]) return static_cast<int>(i);
    }
    throw UsageError(
        "--prefix takes 0 to 5 or one of http://www. https://www. http:// "
        "https:// tel:");
}

void Only(const Arguments& args, const std::set<std::string>& allowed, const char* command) {
    for (const char* option : kValued) {
        if (args.Value(option) && !allowed.count(option)) {
            throw UsageError(std::string(option) + " does not go with " + command);
        }
    }
    for (const char* option : kFlags) {
        if (args.Flag(option) && !allowed.count(option)) {
            throw UsageError(std::string(option) + " does not go with " + command);
        }
    }
}

// The option on the command line, else the key file, else the environment, else the default.
void TakeKeys(const Arguments& args, CliOptions& o) {
    KeyTexts keys = KeysFromEnvironment();
    if (const auto file = args.Value("--key-file")) {
        const KeyTexts fromFile = ReadKeyFile(*file);
        if (fromFile.original) keys.original = fromFile.original;
        if (fromFile.newKey) keys.newKey = fromFile.newKey;
    }
    if (const auto value = args.Value("--original-key")) {
        keys.original = CheckedKey(*value, "--original-key");
    }
    if (const auto value = args.Value("--new-key")) keys.newKey = CheckedKey(*value, "--new-key");
    o.originalKey = keys.original.value_or(o.originalKey);
    o.newKey = keys.newKey.value_or(o.newKey);
}

void TakeJournal(const Arguments& args, CliOptions& o) {
    o.journalPath = args.Value("--journal");
    o.noJournal = args.Flag("--no-journal");
    if (o.journalPath && o.noJournal) throw UsageError("give --journal or --no-journal, not both");
}

// YYYY-MM-DD with digits where they belong; the journal's times compare as text.
std::string DateOption(const std::string& text) {
    const bool shape = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                       text.find_first_not_of("0123456789-") == std::string::npos;
    if (!shape) throw UsageError("--since takes a date as YYYY-MM-DD");
    return text;
}

// Everything that ends up on a tag or in the log must be UTF-8; a file path need not be.
void RequireUtf8(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0 && kPathOptions.count(words[i - 1])) continue;
        if (!IsValidUtf8(words[i])) {
            throw UsageError("argument " + std::to_string(i + 1) + " is not valid UTF-8 text");
        }
    }
}

// NTAG213, ntag213 or 213.
tag::ModelCode ModelNamed(const std::string& name) {
    std::string upper;
    for (const char c : name)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const tag::ModelCode code : {tag::kNtag203, tag::kNtag210, tag::kNtag212, tag::kNtag213,
                                      tag::kNtag215, tag::kNtag216}) {
        const std::string_view model = tag::ModelName(code);
        if (upper == model || "NTAG" + upper == model) return code;
    }
    throw UsageError("unknown model " + name +
                     " (NTAG203, NTAG210, NTAG212, NTAG213, NTAG215 or NTAG216)");
}

// The options the check command and the pre-flight of an Auto batch share.
void PreflightOptions(const Arguments& args, CliOptions& o) {
    if (auto model = args.Value("--model")) o.model = ModelNamed(*model);
    if (auto offset = args.Value("--offset")) {
        o.ndefOffset = static_cast<std::uint8_t>(tools::ParseNumber(*offset, 0, 15, "--offset"));
    }
}

panels::PanelKind PanelNamed(const std::string& name) {
    if (name == "text") return panels::PanelKind::Text;
    if (name == "url") return panels::PanelKind::Url;
    if (name == "poster") return panels::PanelKind::SmartPoster;
    throw UsageError("unknown kind " + name + " (text, url or poster)");
}

}  // namespace

const char* const kUsage =
    R"(usage: tagwright-cli [--reader SERIAL] [--lang en|zh] [--json] COMMAND ...
       tagwright-cli --help | --version

Programs NTAG21x tags from the command line, with the same operations, messages and tag bytes
as the Tagwright window.

Commands
  readers [--verbose]              list the attached readers (--verbose: with the backend,
                                   the card's ATR and how tag commands reach the tag)
  read  text|url|poster            read the tag in the field and show its content
  write text  [TEXT | --stdin]     write a Text record
  write url   [--prefix CODE] URL  write a URI record
  write poster [--prefix CODE] [--title TITLE] URL
                                   write a Smart Poster record
  check text|url|poster --from-file PATH [--row N] [--model M] [--offset T] [--prefix CODE]
              [--title TITLE] [--templates]
                                   check every row from the start row to the last before a
                                   batch: a text cell, a message that fits model M (default
                                   NTAG210, the smallest), a URL scheme the prefix or code 0
                                   handles, no duplicate rows; --offset is where the NDEF TLV
                                   stands on the tags (default 0). Prints the rows that would
                                   fail and a summary; exit 0 when every row passes, else 1
  clear-key   [--original-key HEX] [--auto]
                                   switch password protection off again (once; --auto as
                                   with the Auto operation box checked)
  journal [--since YYYY-MM-DD] [--batch FILE] [--journal PATH]
                                   print the journal of handled tags (CSV, or --json)

Options of write
  --original-key HEX   the tag's password, 8 hex digits (default 7C7C7C7C)
  --new-key HEX        the password Encryption sets (default 7C7C7C7C)
  --encrypt            protect the tag with the new key after writing
  --lock               lock the tag for good after writing
  --from-file PATH     take the content from column A of a .xls, .xlsx or .csv file
  --row N              the row to start from (default 1)
  --no-row-auto        write the same row to every tag
  --resume             start after the last row of this file (same content) that the journal
                       has written; the first tag is read back in case it holds that row
  --unique-tags        refuse a tag that already received a row of this batch
  --key-file FILE      take original-key=HEX and new-key=HEX lines from FILE (mode 0600);
                       TAGWRIGHT_ORIGINAL_KEY and TAGWRIGHT_NEW_KEY are read too, and keys
                       on the command line come first
  --verify             read every written page back (message, password, AUTH0, lock bytes)
                       and count a tag whose pages differ as failed: "Verify failed: Page%d !"
  --templates          replace {uid} (the tag's 14 hex digits), {row} (the sheet row) and {n}
                       (the tag's place in this run, from 1) in the text, URL and title of each
                       tag before its size is checked; {{ and }} are literal braces
Options of read, write and clear-key
  --journal PATH       record every tag in PATH instead of one file a day under
                       $XDG_DATA_HOME/Tagwright/journal
  --no-journal         record nothing
Options of read and write
  --auto [--count N]   Auto operation: tag after tag, until N tags were handled or Ctrl-C
With --auto --from-file, write first checks the sheet as the check command does (with
--model M and --offset T) and does not start, with exit status 2, when a row would fail;
--no-check skips that.
Prefix codes: 0 none, 1 http://www., 2 https://www., 3 http://, 4 https://, 5 tel:
(the text itself is accepted too).

Without --reader the first reader listed is used. --json prints one JSON object per line.
Arguments must be UTF-8 text (a --from-file path excepted); "--" ends the options, so that a
text may begin with "--".
Exit status: 0 success, 1 a run ended in failure (check: a row would fail), 2 bad arguments or
a failed pre-flight check, 3 no reader could be opened.
)";

CliOptions ParseCommandLine(const std::vector<std::string>& words) {
    RequireUtf8(words);
    const Arguments args(words, {std::begin(kValued), std::end(kValued)},
                         {std::begin(kFlags), std::end(kFlags)});
    CliOptions o;
    if (args.Flag("--help")) return o;
    if (args.Flag("--version")) {
        o.command = Command::Version;
        return o;
    }
    const auto& words2 = args.positional();
    if (words2.empty()) throw UsageError("missing command");
    o.reader = args.Value("--reader");
    if (auto lang = args.Value("--lang")) {
        if (*lang == "en") {
            o.language = text::Language::English;
        } else if (*lang == "zh") {
            o.language = text::Language::Chinese;
        } else {
            throw UsageError("--lang is en or zh");
        }
    }
    o.json = args.Flag("--json");
    const std::set<std::string> global{"--reader", "--lang", "--json"};
    std::function<std::set<std::string>(std::set<std::string>)> with =
        [&](std::set<std::string> extra) {
            extra.insert(global.begin(), global.end());
            return extra;
        };
    const std::string& command = words2[0];
    if (command == "readers") {
        Only(args, with({"--verbose"}), "readers");
        args.ExpectPositional(1);
        o.command = Command::Readers;
        o.verbose = args.Flag("--verbose");
        return o;
    }
    if (command == "journal") {
        Only(args, with({"--since", "--batch", "--journal"}), "journal");
        args.ExpectPositional(1);
        o.command = Command::Journal;
        o.journalPath = args.Value("--journal");
        if (auto since = args.Value("--since")) o.since = DateOption(*since);
        o.batch = args.Value("--batch");
        return o;
    }
    const std::set<std::string> journalOptions{"--journal", "--no-journal"};
    with = [&](std::set<std::string> extra) {
        extra.insert(global.begin(), global.end());
        extra.insert(journalOptions.begin(), journalOptions.end());
        return extra;
    };
    TakeJournal(args, o);
    if (command == "clear-key") {
        Only(args, with({"--original-key", "--key-file", "--auto"}), "clear-key");
        args.ExpectPositional(1);
        o.command = Command::ClearKey;
        TakeKeys(args, o);
        o.autoOperation = args.Flag("--auto");
        return o;
    }
    if (command == "check") {
        if (words2.size() < 2) throw UsageError("check needs text, url or poster");
        o.command = Command::Check;
        o.panel = PanelNamed(words2[1]);
        std::set<std::string> allowed =
            with({"--from-file", "--row", "--model", "--offset", "--templates"});
        if (o.panel != panels::PanelKind::Text) allowed.insert("--prefix");
        if (o.panel == panels::PanelKind::SmartPoster) allowed.insert("--title");
        Only(args, allowed, ("check " + words2[1]).c_str());
        args.ExpectPositional(2);
        o.fromFile = args.Required("--from-file");
        o.row = args.Value("--row").value_or("1");
        if (auto prefix = args.Value("--prefix")) o.prefixCode = PrefixCode(*prefix);
        o.title = args.Value("--title").value_or("");
        o.templates = args.Flag("--templates");
        if (o.templates) {
            const std::string error = panels::TemplateError(o.title, true);
            if (!error.empty()) throw UsageError("--templates: " + error);
        }
        PreflightOptions(args, o);
        return o;
    }
    if (command != "read" && command != "write") throw UsageError("unknown command " + command);
    if (words2.size() < 2) throw UsageError(command + " needs text, url or poster");
    o.panel = PanelNamed(words2[1]);
    o.autoOperation = args.Flag("--auto");
    if (auto count = args.Value("--count")) {
        if (!o.autoOperation) throw UsageError("--count goes with --auto");
        o.count = static_cast<std::uint64_t>(tools::ParseNumber(*count, 1, 1000000000, "count"));
    }
    if (command == "read") {
        Only(args, with({"--auto", "--count"}), "read");
        args.ExpectPositional(2);
        o.command = Command::Read;
        return o;
    }

    o.command = Command::Write;
    std::set<std::string> allowed =
        with({"--auto", "--count", "--original-key", "--new-key", "--key-file", "--encrypt",
              "--lock", "--from-file", "--row", "--no-row-auto", "--resume", "--unique-tags",
              "--verify", "--templates", "--model", "--offset", "--no-check"});
    if (o.panel == panels::PanelKind::Text) allowed.insert("--stdin");
    if (o.panel != panels::PanelKind::Text) allowed.insert("--prefix");
    if (o.panel == panels::PanelKind::SmartPoster) allowed.insert("--title");
    Only(args, allowed, ("write " + words2[1]).c_str());
    TakeKeys(args, o);
    o.encrypt = args.Flag("--encrypt");
    o.lock = args.Flag("--lock");
    o.fromFile = args.Value("--from-file");
    o.row = args.Value("--row").value_or("1");
    if (args.Value("--row") || args.Flag("--no-row-auto")) {
        if (!o.fromFile) throw UsageError("--row and --no-row-auto go with --from-file");
    }
    o.rowAuto = !args.Flag("--no-row-auto");
    o.resume = args.Flag("--resume");
    o.uniqueTags = args.Flag("--unique-tags");
    if ((o.resume || o.uniqueTags) && !o.fromFile) {
        throw UsageError("--resume and --unique-tags go with --from-file");
    }
    if (o.resume && o.noJournal) throw UsageError("--resume reads the journal; drop --no-journal");
    if (o.resume && !o.rowAuto) throw UsageError("--resume goes on row by row; drop --no-row-auto");
    if (auto prefix = args.Value("--prefix")) o.prefixCode = PrefixCode(*prefix);
    o.title = args.Value("--title").value_or("");
    o.fromStdin = args.Flag("--stdin");
    if (words2.size() > 3) throw tools::UnexpectedArgument(words2[3]);
    if (words2.size() == 3) {
        o.content = words2[2];
        o.contentGiven = true;
    }
    if (o.fromStdin && o.contentGiven) throw UsageError("give TEXT or --stdin, not both");
    if (o.fromFile && (o.contentGiven || o.fromStdin)) {
        throw UsageError("the content comes from --from-file; give no TEXT or URL");
    }
    if (o.panel != panels::PanelKind::Text && !o.contentGiven && !o.fromFile) {
        throw UsageError("write " + words2[1] + " needs a URL (or --from-file)");
    }
    o.noCheck = args.Flag("--no-check");
    if ((args.Value("--model") || args.Value("--offset") || o.noCheck) &&
        !(o.autoOperation && o.fromFile)) {
        throw UsageError("--model, --offset and --no-check go with --auto --from-file");
    }
    PreflightOptions(args, o);
    o.verify = args.Flag("--verify");
    o.templates = args.Flag("--templates");
    if (o.templates) {
        // A template that cannot work fails here, before any tag is touched; rows from a file are
        // checked as each is written (and by the check command beforehand).
        for (const std::string* text : {&o.content, &o.title}) {
            const std::string error = panels::TemplateError(*text, o.fromFile.has_value());
            if (!error.empty()) throw UsageError("--templates: " + error);
        }
    }
    return o;
}

}  // namespace tagwright::cli
