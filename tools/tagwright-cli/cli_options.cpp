#include "cli_options.h"

#include <set>

#include "tag/uri_record.h"
#include "tools/common/arguments.h"
#include "utf8_text.h"

namespace tagwright::cli {
namespace {

using tools::Arguments;
using tools::UsageError;

const char* const kValued[] = {"--reader",  "--lang",      "--prefix", "--title", "--original-key",
                               "--new-key", "--from-file", "--row",    "--count"};
const char* const kFlags[] = {"--json",        "--stdin", "--encrypt", "--lock",
                              "--no-row-auto", "--auto",  "--help",    "--verbose"};

int PrefixCode(const std::string& text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '5') return text[0] - '0';
    for (std::size_t i = 1; i < tag::kUriPrefixes.size(); ++i) {
        if (text == tag::kUriPrefixes[i]) return static_cast<int>(i);
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

// Exactly eight hexadecimal digits: a longer key would otherwise be cut without a word.
std::string KeyOption(const Arguments& args, const char* option, const std::string& fallback) {
    const auto value = args.Value(option);
    if (!value) return fallback;
    const bool hex = value->size() == 8 &&
                     value->find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if (!hex) throw UsageError(std::string(option) + " takes exactly 8 hexadecimal digits");
    return *value;
}

// Everything that ends up on a tag or in the log must be UTF-8; a file path need not be.
void RequireUtf8(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0 && words[i - 1] == "--from-file") continue;
        if (!IsValidUtf8(words[i])) {
            throw UsageError("argument " + std::to_string(i + 1) + " is not valid UTF-8 text");
        }
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
  clear-key   [--original-key HEX] [--auto]
                                   switch password protection off again (once; --auto as
                                   with the Auto operation box checked)

Options of write
  --original-key HEX   the tag's password, 8 hex digits (default 7C7C7C7C)
  --new-key HEX        the password Encryption sets (default 7C7C7C7C)
  --encrypt            protect the tag with the new key after writing
  --lock               lock the tag for good after writing
  --from-file PATH     take the content from column A of a .xls, .xlsx or .csv file
  --row N              the row to start from (default 1)
  --no-row-auto        write the same row to every tag
Options of read and write
  --auto [--count N]   Auto operation: tag after tag, until N tags were handled or Ctrl-C
Prefix codes: 0 none, 1 http://www., 2 https://www., 3 http://, 4 https://, 5 tel:
(the text itself is accepted too).

Without --reader the first reader listed is used. --json prints one JSON object per line.
Arguments must be UTF-8 text (a --from-file path excepted); "--" ends the options, so that a
text may begin with "--".
Exit status: 0 success, 1 a run ended in failure, 2 bad arguments, 3 no reader could be opened.
)";

CliOptions ParseCommandLine(const std::vector<std::string>& words) {
    RequireUtf8(words);
    const Arguments args(words, {std::begin(kValued), std::end(kValued)},
                         {std::begin(kFlags), std::end(kFlags)});
    CliOptions o;
    if (args.Flag("--help")) return o;
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
    auto with = [&](std::set<std::string> extra) {
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
    if (command == "clear-key") {
        Only(args, with({"--original-key", "--auto"}), "clear-key");
        args.ExpectPositional(1);
        o.command = Command::ClearKey;
        o.originalKey = KeyOption(args, "--original-key", o.originalKey);
        o.autoOperation = args.Flag("--auto");
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
        with({"--auto", "--count", "--original-key", "--new-key", "--encrypt", "--lock",
              "--from-file", "--row", "--no-row-auto"});
    if (o.panel == panels::PanelKind::Text) allowed.insert("--stdin");
    if (o.panel != panels::PanelKind::Text) allowed.insert("--prefix");
    if (o.panel == panels::PanelKind::SmartPoster) allowed.insert("--title");
    Only(args, allowed, ("write " + words2[1]).c_str());
    o.originalKey = KeyOption(args, "--original-key", o.originalKey);
    o.newKey = KeyOption(args, "--new-key", o.newKey);
    o.encrypt = args.Flag("--encrypt");
    o.lock = args.Flag("--lock");
    o.fromFile = args.Value("--from-file");
    o.row = args.Value("--row").value_or("1");
    if (args.Value("--row") || args.Flag("--no-row-auto")) {
        if (!o.fromFile) throw UsageError("--row and --no-row-auto go with --from-file");
    }
    o.rowAuto = !args.Flag("--no-row-auto");
    if (auto prefix = args.Value("--prefix")) o.prefixCode = PrefixCode(*prefix);
    o.title = args.Value("--title").value_or("");
    o.fromStdin = args.Flag("--stdin");
    if (words2.size() > 3) throw UsageError("unexpected argument " + words2[3]);
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
    return o;
}

}  // namespace tagwright::cli
