// SPDX-License-Identifier: MIT
// tagwright-cli: every function of the three panels without a display, through the same
// operation controller, device session and log feed as the window. One file a command: this
// one reads the command line and hands over.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "cli_options.h"
#include "console_output.h"
#include "exit_status.h"
#include "journal_command.h"
#include "readers_command.h"
#include "secrets/core_dumps.h"
#include "secrets/wipe.h"
#include "sheet_check_report.h"
#include "tag_command.h"
#include "tools/common/arguments.h"
#include "utf8_text.h"
#include "version/version.h"

namespace tagwright::cli {
namespace {

// The text to write, without the line end a shell or a file adds; it must be UTF-8, as a Text
// record says it is.
std::string ReadStandardInput() {
    std::string text(std::istreambuf_iterator<char>(std::cin), {});
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (!IsValidUtf8(text)) throw tools::UsageError("standard input is not valid UTF-8 text");
    return text;
}

int Run(const CliOptions& o) {
    if (o.autoOperation) InstallInterruptHandlers();
    std::string stdinText;
    if (o.fromStdin) stdinText = ReadStandardInput();
    ConsoleOutput out(o.json, stdout, stderr);
    feed::SetLogSink(&out);
    if (o.command == Command::Check) return RunSheetCheck(o, out);
    // The journal needs a place of its own before any tag is touched.
    if (std::string where = JournalPlaceProblem(o); !where.empty()) {
        where += o.command == Command::Journal
                     ? " (--journal PATH names a journal)"
                     : " (--journal PATH names one, --no-journal keeps none)";
        out.EmitError(where, "tagwright-cli: " + where);
        return kExitUsage;
    }
    if (o.command == Command::Journal) return PrintJournal(o, out, stdout);
    if (o.command == Command::Readers) return RunReaders(o, out);
    return RunTagCommand(o, out, stdinText);
}

}  // namespace
}  // namespace tagwright::cli

int main(int argc, char** argv) {
    using namespace tagwright;
    // Before the keys are read from the command line, a key file or the environment.
    secrets::ForbidCoreDumps();
    try {
        cli::CliOptions options =
            cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        const secrets::WipeOnExit wipeOriginal(options.originalKey);
        const secrets::WipeOnExit wipeNew(options.newKey);
        if (options.command == cli::Command::Help) {
            std::fputs(cli::kUsage, stdout);
            return 0;
        }
        if (options.command == cli::Command::Version) {
            std::printf("%s\n", version::VersionLine("tagwright-cli").c_str());
            return 0;
        }
        return cli::Run(options);
    } catch (const tools::UsageError& error) {
        std::fprintf(stderr, "tagwright-cli: %s\n(see tagwright-cli --help)\n", error.what());
        return cli::kExitUsage;
    }
}
