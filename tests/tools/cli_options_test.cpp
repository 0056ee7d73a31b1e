// SPDX-License-Identifier: MIT
// The command line of tagwright-cli: every refusal with the words the operator reads, the order
// in which rules are applied when several are broken, and what a full line turns into.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/common/arguments.h"
#include "tools/tagwright-cli/cli_options.h"

namespace tagwright::testing {
namespace {

using Words = std::vector<std::string>;

std::string Refusal(const Words& words) {
    try {
        cli::ParseCommandLine(words);
    } catch (const tools::UsageError& error) {
        return error.what();
    }
    return "(accepted)";
}

struct Row {
    Words words;
    std::string message;
};

TEST(CliOptions, EveryRefusalSaysWhatIsWrong) {
    const std::string kinds = " needs text, url or poster";
    const std::vector<Row> rows = {
        {{}, "missing command"},
        {{"frob"}, "unknown command frob"},
        {{"read"}, "read" + kinds},
        {{"check"}, "check" + kinds},
        {{"read", "tags"}, "unknown kind tags (text, url or poster)"},
        {{"--lang", "fr", "readers"}, "--lang is en or zh"},
        {{"readers", "--bogus"}, "unknown option --bogus"},
        {{"write", "text", "--row"}, "--row needs a value"},
        {{"write", "text", "--original-key=7C7C7C7C", "x"},
         "unknown option --original-key= (write --original-key VALUE)"},
        {{"write", "text", "--flag=1", "x"}, "unknown option --flag="},
        {{"readers", "extra"}, "unexpected argument extra"},
        {{"readers", "7c7c7c7c"},
         "unexpected argument of 8 hexadecimal digits (a key goes after --original-key or "
         "--new-key)"},
        {{"write", "text", "a", "b"}, "unexpected argument b"},
        {{"write", "text", "caf\xE9"}, "argument 3 is not valid UTF-8 text"},
        {{"write", "poster", "--title", "\xFF", "x"}, "argument 4 is not valid UTF-8 text"},
        // Options that belong to other commands or other kinds.
        {{"read", "text", "--lock"}, "--lock does not go with read"},
        {{"read", "text", "--verbose"}, "--verbose does not go with read"},
        {{"read", "text", "--new-key", "0A0B0C0D"}, "--new-key does not go with read"},
        {{"read", "text", "--protect", "write"}, "--protect does not go with read"},
        {{"readers", "--journal", "j.csv"}, "--journal does not go with readers"},
        {{"journal", "--no-journal"}, "--no-journal does not go with journal"},
        {{"clear-key", "--count", "1"}, "--count does not go with clear-key"},
        {{"erase", "--auto"}, "--auto does not go with erase"},
        {{"write", "text", "--lock-config", "x"}, "--lock-config goes with --lock"},
        {{"write", "text", "--authlim", "3", "x"}, "--authlim goes with --encrypt"},
        {{"write", "text", "--encrypt", "--authlim", "8", "x"}, "bad --authlim: 8"},
        {{"write", "text", "--protect", "read-write", "x"}, "--protect goes with --encrypt"},
        {{"write", "text", "--encrypt", "--protect", "read", "x"},
         "--protect takes write or read-write"},
        {{"erase", "--new-key", "0A0B0C0D"}, "--new-key does not go with erase"},
        {{"write", "text", "--prefix", "1", "x"}, "--prefix does not go with write text"},
        {{"write", "url", "--stdin", "x"}, "--stdin does not go with write url"},
        {{"write", "url", "--title", "t", "x"}, "--title does not go with write url"},
        {{"check", "text", "--from-file", "f", "--prefix", "1"},
         "--prefix does not go with check text"},
        {{"check", "url", "--from-file", "f", "--title", "t"},
         "--title does not go with check url"},
        {{"check", "text", "--from-file", "f", "--auto"}, "--auto does not go with check text"},
        // Values.
        {{"write", "url", "--prefix", "ftp://", "x"},
         "--prefix takes 0 to 5 or one of http://www. https://www. http:// https:// tel:"},
        {{"write", "text", "--new-key", "7C7C7C7C7", "--encrypt", "x"},
         "--new-key takes exactly 8 hexadecimal digits"},
        {{"clear-key", "--original-key", "7C7C7C7C00"},
         "--original-key takes exactly 8 hexadecimal digits"},
        {{"read", "text", "--auto", "--count", "0"}, "bad count: 0"},
        {{"journal", "--since", "2026-1-1"}, "--since takes a date as YYYY-MM-DD"},
        {{"check", "text", "--from-file", "f", "--offset", "16"}, "bad --offset: 16"},
        {{"check", "text", "--from-file", "f", "--model", "NTAG999"},
         "unknown model NTAG999 (NTAG203, NTAG210, NTAG212, NTAG213, NTAG215 or NTAG216)"},
        {{"write", "text", "--templates", "{bogus}"},
         "--templates: unknown field {bogus} (use {uid}, {row} or {n})"},
        {{"check", "poster", "--from-file", "f", "--templates", "--title", "{n"},
         "--templates: a '{' without its '}' (write {{ for a brace)"},
        // Options that need another.
        {{"check", "text"}, "--from-file is required"},
        {{"write", "url"}, "write url needs a URL (or --from-file)"},
        {{"write", "text", "--row", "2", "x"}, "--row and --no-row-auto go with --from-file"},
        {{"write", "text", "--no-row-auto", "x"}, "--row and --no-row-auto go with --from-file"},
        {{"write", "text", "--count", "2", "x"}, "--count goes with --auto"},
        {{"write", "text", "--resume", "x"}, "--resume and --unique-tags go with --from-file"},
        {{"write", "text", "--unique-tags", "x"}, "--resume and --unique-tags go with --from-file"},
        {{"write", "text", "--from-file", "f", "--resume", "--no-journal"},
         "--resume reads the journal; drop --no-journal"},
        {{"write", "text", "--from-file", "f", "--resume", "--no-row-auto"},
         "--resume goes on row by row; drop --no-row-auto"},
        {{"write", "text", "--model", "213", "x"},
         "--model, --offset and --no-check go with --auto --from-file"},
        {{"write", "text", "--from-file", "f", "--no-check"},
         "--model, --offset and --no-check go with --auto --from-file"},
        {{"write", "text", "--stdin", "x"}, "give TEXT or --stdin, not both"},
        {{"write", "text", "--from-file", "f", "x"},
         "the content comes from --from-file; give no TEXT or URL"},
        {{"read", "text", "--journal", "j.csv", "--no-journal"},
         "give --journal or --no-journal, not both"},
        // When several rules are broken, the first one in this order is named.
        {{"frob", "--journal", "j", "--no-journal"}, "give --journal or --no-journal, not both"},
        {{"write", "text", "caf\xE9", "--bogus"}, "argument 3 is not valid UTF-8 text"},
        {{"--lang", "fr", "frob"}, "--lang is en or zh"},
        {{"read", "text", "--count", "2", "--lock"}, "--count goes with --auto"},
        {{"write", "text", "--lock", "--prefix", "9"}, "--prefix does not go with write text"},
        {{"write", "url", "--original-key", "1", "--prefix", "9", "x"},
         "--original-key takes exactly 8 hexadecimal digits"},
        {{"readers", "--verbose", "--lock", "extra"}, "--lock does not go with readers"},
    };
    for (const Row& row : rows) {
        std::string line;
        for (const std::string& word : row.words)
            line += word + " ";
        EXPECT_EQ(Refusal(row.words), row.message) << line;
    }
}

TEST(CliOptions, ALineTurnsIntoItsOptions) {
    EXPECT_EQ(cli::ParseCommandLine({"--verbose", "--help"}).command, cli::Command::Help);
    EXPECT_EQ(cli::ParseCommandLine({"frob", "--version"}).command, cli::Command::Version);

    cli::CliOptions o = cli::ParseCommandLine(
        {"--reader", "SIM-0002", "--lang",    "zh",        "--json",      "write",     "poster",
         "--prefix", "https://", "--title",   "T",         "example.com", "--auto",    "--count",
         "0x10",     "--verify", "--encrypt", "--new-key", "0badc0de",    "--journal", "j.csv"});
    EXPECT_EQ(o.command, cli::Command::Write);
    EXPECT_EQ(o.panel, panels::PanelKind::SmartPoster);
    EXPECT_EQ(o.reader, "SIM-0002");
    EXPECT_EQ(o.language, text::Language::Chinese);
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.prefixCode, 4);
    EXPECT_EQ(o.title, "T");
    EXPECT_EQ(o.content, "example.com");
    EXPECT_TRUE(o.contentGiven && o.autoOperation && o.verify && o.encrypt);
    EXPECT_EQ(o.count, 16u);
    EXPECT_EQ(o.newKey, "0badc0de");
    EXPECT_EQ(o.journalPath, "j.csv");
    EXPECT_FALSE(o.lock || o.fromFile || o.noJournal);

    o = cli::ParseCommandLine({"write", "text", "--from-file", "rows.xlsx", "--row", "7", "--auto",
                               "--resume", "--unique-tags", "--model", "ntag215", "--offset", "3",
                               "--templates"});
    EXPECT_EQ(o.fromFile, "rows.xlsx");
    EXPECT_EQ(o.row, "7");
    EXPECT_TRUE(o.rowAuto && o.resume && o.uniqueTags && o.templates && !o.contentGiven);
    EXPECT_EQ(o.model, tag::kNtag215);
    EXPECT_EQ(o.ndefOffset, 3);

    o = cli::ParseCommandLine({"check", "url", "--from-file", "s.csv", "--prefix", "2"});
    EXPECT_EQ(o.command, cli::Command::Check);
    EXPECT_EQ(o.row, "1");
    EXPECT_EQ(o.model, tag::kNtag210);  // the smallest, unless told
    EXPECT_EQ(o.prefixCode, 2);

    o = cli::ParseCommandLine({"journal", "--since", "2026-12-01", "--batch", "b.csv"});
    EXPECT_EQ(o.command, cli::Command::Journal);
    EXPECT_EQ(o.since, "2026-12-01");
    EXPECT_EQ(o.batch, "b.csv");

    o = cli::ParseCommandLine(
        {"clear-key", "--auto", "--no-journal", "--original-key", "aabbccdd"});
    EXPECT_EQ(o.command, cli::Command::ClearKey);
    EXPECT_TRUE(o.autoOperation && o.noJournal);
    EXPECT_EQ(o.originalKey, "aabbccdd");

    o = cli::ParseCommandLine({"write", "text", "--", "--dashes"});
    EXPECT_EQ(o.content, "--dashes");
    EXPECT_EQ(cli::ParseCommandLine({"readers", "--verbose"}).verbose, true);
    // A file name need not be UTF-8.
    EXPECT_EQ(cli::ParseCommandLine({"check", "text", "--from-file", "\xE9.csv"}).fromFile,
              "\xE9.csv");
}

}  // namespace
}  // namespace tagwright::testing
