// SPDX-License-Identifier: MIT
// The command line as a table of commands, each with the function that reads its options. The
// rules are checked in a fixed order, so that a line that breaks several is always refused for
// the same one: the words' encoding and the option names first, then --help and --version, the
// global options, the journal options of the commands that keep a journal, and then the
// command's own rules in the order its function applies them.
#include "cli_options.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <string_view>

#include "key_sources.h"
#include "ndef/uri_record.h"
#include "panels/core/key_rules.h"
#include "panels/core/message_template.h"
#include "panels/core/mirror_room.h"
#include "tools/common/arguments.h"
#include "utf8_text.h"

namespace tagwright::cli {
namespace {

using tools::Arguments;
using tools::UsageError;
using Options = std::set<std::string>;

const char* const kValued[] = {"--reader",       "--lang",    "--prefix",    "--title",
                               "--original-key", "--new-key", "--from-file", "--row",
                               "--count",        "--journal", "--key-file",  "--since",
                               "--batch",        "--model",   "--offset",    "--authlim",
                               "--pack",         "--mirror",  "--protect"};
const char* const kFlags[] = {"--json",
                              "--stdin",
                              "--encrypt",
                              "--lock",
                              "--no-row-auto",
                              "--auto",
                              "--help",
                              "--no-journal",
                              "--resume",
                              "--unique-tags",
                              "--verbose",
                              "--version",
                              "--verify",
                              "--templates",
                              "--no-check",
                              "--counter",
                              "--counter-protected",
                              "--lock-config",
                              "--genuine-only"};
// Options whose value is a file name, which need not be UTF-8.
const Options kPathOptions{"--from-file", "--journal", "--key-file", "--batch"};
const Options kGlobalOptions{"--reader", "--lang", "--json"};
const Options kJournalOptions{"--journal", "--no-journal"};

// One command's words as its function sees them.
struct CommandLine {
    const Arguments& args;
    const std::vector<std::string>& words;  // the positional words, the command's name first
    bool keepsJournal;

    // Refuses every option given that is neither global, a journal option of a command that
    // keeps a journal, nor one of `own`.
    void Only(Options own, const std::string& command) const {
        own.insert(kGlobalOptions.begin(), kGlobalOptions.end());
        if (keepsJournal) own.insert(kJournalOptions.begin(), kJournalOptions.end());
        for (const char* option : kValued) {
            if (args.Value(option) && !own.count(option)) {
                throw UsageError(std::string(option) + " does not go with " + command);
            }
        }
        for (const char* option : kFlags) {
            if (args.Flag(option) && !own.count(option)) {
                throw UsageError(std::string(option) + " does not go with " + command);
            }
        }
    }
};

int PrefixCode(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '5') return text[0] - '0';
    for (std::size_t i = 1; i < ndef::kUriPrefixes.size(); ++i) {
        if (text == ndef::kUriPrefixes[i]) return static_cast<int>(i);
    }
    throw UsageError(
        "--prefix takes 0 to 5 or one of http://www. https://www. http:// "
        "https:// tel:");
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
    if (const auto value = args.Value("--pack")) {
        if (!panels::PackFromText(*value)) throw UsageError("--pack takes 4 hex digits");
        o.pack = *value;
    }
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

text::Language LanguageNamed(const std::string& name) {
    if (name == "en") return text::Language::English;
    if (name == "zh") return text::Language::Chinese;
    throw UsageError("--lang is en or zh");
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
void TakePreflight(const Arguments& args, CliOptions& o) {
    if (auto model = args.Value("--model")) o.model = ModelNamed(*model);
    if (auto offset = args.Value("--offset")) {
        o.ndefOffset = static_cast<std::uint8_t>(tools::ParseNumber(*offset, 0, 15, "--offset"));
    }
}

// "text", "url" or "poster" after the command's name.
void TakeKind(const CommandLine& line, CliOptions& o) {
    if (line.words.size() < 2) throw UsageError(line.words[0] + " needs text, url or poster");
    const std::string& name = line.words[1];
    if (name == "text") {
        o.panel = panels::PanelKind::Text;
    } else if (name == "url") {
        o.panel = panels::PanelKind::Url;
    } else if (name == "poster") {
        o.panel = panels::PanelKind::SmartPoster;
    } else {
        throw UsageError("unknown kind " + name + " (text, url or poster)");
    }
}

// The options only some kinds of message have.
Options WithKindOptions(Options own, panels::PanelKind kind) {
    if (kind == panels::PanelKind::Text) own.insert("--stdin");
    if (kind != panels::PanelKind::Text) own.insert({"--prefix", "--mirror"});
    if (kind == panels::PanelKind::SmartPoster) own.insert("--title");
    return own;
}

void TakePrefixAndTitle(const Arguments& args, CliOptions& o) {
    if (auto prefix = args.Value("--prefix")) o.prefixCode = PrefixCode(*prefix);
    o.title = args.Value("--title").value_or("");
    if (auto mirror = args.Value("--mirror")) {
        const std::pair<std::string_view, tag::MirrorKind> kinds[] = {
            {"uid", tag::MirrorKind::UidOnly},
            {"counter", tag::MirrorKind::Counter},
            {"both", tag::MirrorKind::Both}};
        const auto* kind = std::find_if(std::begin(kinds), std::end(kinds),
                                        [&](const auto& k) { return k.first == *mirror; });
        if (kind == std::end(kinds)) throw UsageError("--mirror takes uid, counter or both");
        o.mirror = kind->second;
    }
}

void TakeAutoOperation(const Arguments& args, CliOptions& o) {
    o.autoOperation = args.Flag("--auto");
    if (auto count = args.Value("--count")) {
        if (!o.autoOperation) throw UsageError("--count goes with --auto");
        o.count = static_cast<std::uint64_t>(tools::ParseNumber(*count, 1, 1000000000, "count"));
    }
}

void ParseReaders(const CommandLine& line, CliOptions& o) {
    line.Only({"--verbose"}, "readers");
    line.args.ExpectPositional(1);
    o.command = Command::Readers;
    o.verbose = line.args.Flag("--verbose");
}

void ParseJournalCommand(const CommandLine& line, CliOptions& o) {
    line.Only({"--since", "--batch", "--journal"}, "journal");
    line.args.ExpectPositional(1);
    o.command = Command::Journal;
    o.journalPath = line.args.Value("--journal");
    if (auto since = line.args.Value("--since")) o.since = DateOption(*since);
    o.batch = line.args.Value("--batch");
}

void ParseClearKey(const CommandLine& line, CliOptions& o) {
    line.Only({"--original-key", "--key-file", "--pack", "--auto"}, "clear-key");
    line.args.ExpectPositional(1);
    o.command = Command::ClearKey;
    TakeKeys(line.args, o);
    o.autoOperation = line.args.Flag("--auto");
}

void ParseErase(const CommandLine& line, CliOptions& o) {
    line.Only({"--original-key", "--key-file", "--pack"}, "erase");
    line.args.ExpectPositional(1);
    o.command = Command::Erase;
    TakeKeys(line.args, o);
}

void ParseCheck(const CommandLine& line, CliOptions& o) {
    const Arguments& args = line.args;
    TakeKind(line, o);
    o.command = Command::Check;
    Options own =
        WithKindOptions({"--from-file", "--row", "--model", "--offset", "--templates"}, o.panel);
    own.erase("--stdin");  // the rows are the content
    line.Only(own, "check " + line.words[1]);
    args.ExpectPositional(2);
    o.fromFile = args.Required("--from-file");
    o.row = args.Value("--row").value_or("1");
    TakePrefixAndTitle(args, o);
    o.templates = args.Flag("--templates");
    if (o.templates) {
        const std::string error = panels::TemplateError(o.title, true);
        if (!error.empty()) throw UsageError("--templates: " + error);
    }
    TakePreflight(args, o);
}

void ParseRead(const CommandLine& line, CliOptions& o) {
    TakeKind(line, o);
    TakeAutoOperation(line.args, o);
    line.Only({"--auto", "--count", "--original-key", "--key-file", "--pack"}, "read");
    line.args.ExpectPositional(2);
    o.command = Command::Read;
    // A tag whose reads are protected is read with its password.
    TakeKeys(line.args, o);
}

// A batch from a sheet: where it starts, whether it moves on, and how it goes on after a stop.
void TakeBatchSource(const Arguments& args, CliOptions& o) {
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
}

// The text or URL: a word, standard input, or the sheet's rows.
void TakeContent(const CommandLine& line, CliOptions& o) {
    o.fromStdin = line.args.Flag("--stdin");
    if (line.words.size() > 3) throw tools::UnexpectedArgument(line.words[3]);
    if (line.words.size() == 3) {
        o.content = line.words[2];
        o.contentGiven = true;
    }
    if (o.fromStdin && o.contentGiven) throw UsageError("give TEXT or --stdin, not both");
    if (o.fromFile && (o.contentGiven || o.fromStdin)) {
        throw UsageError("the content comes from --from-file; give no TEXT or URL");
    }
    if (o.panel != panels::PanelKind::Text && !o.contentGiven && !o.fromFile) {
        throw UsageError("write " + line.words[1] + " needs a URL (or --from-file)");
    }
}

void ParseWrite(const CommandLine& line, CliOptions& o) {
    const Arguments& args = line.args;
    TakeKind(line, o);
    TakeAutoOperation(args, o);
    o.command = Command::Write;
    line.Only(WithKindOptions({"--auto",
                               "--count",
                               "--original-key",
                               "--new-key",
                               "--key-file",
                               "--encrypt",
                               "--lock",
                               "--from-file",
                               "--row",
                               "--no-row-auto",
                               "--resume",
                               "--unique-tags",
                               "--verify",
                               "--templates",
                               "--model",
                               "--offset",
                               "--no-check",
                               "--counter",
                               "--counter-protected",
                               "--lock-config",
                               "--authlim",
                               "--protect",
                               "--pack",
                               "--genuine-only"},
                              o.panel),
              "write " + line.words[1]);
    TakeKeys(args, o);
    o.encrypt = args.Flag("--encrypt");
    o.lock = args.Flag("--lock");
    o.lockConfig = args.Flag("--lock-config");
    if (o.lockConfig && !o.lock) throw UsageError("--lock-config goes with --lock");
    if (auto limit = args.Value("--authlim")) {
        if (!o.encrypt) throw UsageError("--authlim goes with --encrypt");
        o.attemptLimit = static_cast<int>(tools::ParseNumber(*limit, 1, 7, "--authlim"));
    }
    if (auto protect = args.Value("--protect")) {
        if (!o.encrypt) throw UsageError("--protect goes with --encrypt");
        if (*protect != "write" && *protect != "read-write") {
            throw UsageError("--protect takes write or read-write");
        }
        o.protectReads = *protect == "read-write";
    }
    TakeBatchSource(args, o);
    TakePrefixAndTitle(args, o);
    TakeContent(line, o);
    o.noCheck = args.Flag("--no-check");
    if ((args.Value("--model") || args.Value("--offset") || o.noCheck) &&
        !(o.autoOperation && o.fromFile)) {
        throw UsageError("--model, --offset and --no-check go with --auto --from-file");
    }
    TakePreflight(args, o);
    o.verify = args.Flag("--verify");
    o.counterProtected = args.Flag("--counter-protected");
    o.counter = args.Flag("--counter") || o.counterProtected;
    o.genuineOnly = args.Flag("--genuine-only");
    o.templates = args.Flag("--templates");
    if (o.templates) {
        // A template that cannot work fails here, before any tag is touched; rows from a file are
        // checked as each is written (and by the check command beforehand).
        for (const std::string* text : {&o.content, &o.title}) {
            // The URL's {mirror} is no template field when a mirror is asked for.
            const bool url = text == &o.content && o.mirror != tag::MirrorKind::None;
            const std::string error = panels::TemplateError(
                url ? panels::HoldMirrorMarker(*text) : *text, o.fromFile.has_value());
            if (!error.empty()) throw UsageError("--templates: " + error);
        }
    }
}

struct CommandEntry {
    std::string_view name;
    bool keepsJournal;  // takes --journal PATH and --no-journal
    void (*parse)(const CommandLine&, CliOptions&);
};

constexpr CommandEntry kCommands[] = {
    {"readers", false, &ParseReaders},   {"journal", false, &ParseJournalCommand},
    {"clear-key", true, &ParseClearKey}, {"check", true, &ParseCheck},
    {"read", true, &ParseRead},          {"write", true, &ParseWrite},
    {"erase", true, &ParseErase},
};

const CommandEntry* CommandNamed(std::string_view name) {
    for (const CommandEntry& entry : kCommands) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

}  // namespace

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
    const auto& positional = args.positional();
    if (positional.empty()) throw UsageError("missing command");
    o.reader = args.Value("--reader");
    if (auto lang = args.Value("--lang")) o.language = LanguageNamed(*lang);
    o.json = args.Flag("--json");
    const CommandEntry* entry = CommandNamed(positional[0]);
    // The journal options are checked before the command is known.
    if (entry == nullptr || entry->keepsJournal) TakeJournal(args, o);
    if (entry == nullptr) throw UsageError("unknown command " + positional[0]);
    entry->parse(CommandLine{args, positional, entry->keepsJournal}, o);
    return o;
}

}  // namespace tagwright::cli
