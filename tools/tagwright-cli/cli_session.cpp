// SPDX-License-Identifier: MIT
#include "cli_session.h"

#include "text/text_tables.h"
#include "utf8_text.h"

namespace tagwright::cli {

CliSession::CliSession(const CliOptions& o, ConsoleOutput& out)
    : out_(out),
      panelSetting_(int(o.panel)),
      languageSetting_(o.language),
      application_(panelSetting_, languageSetting_) {}

bool CliSession::Start() {
    if (!application_.Start()) {
        out_.EmitError(std::string(text::kLoadLibraryFailed),
                       std::string(text::kLoadLibraryFailed));
        return false;
    }
    devices_ = &application_.AttachDevices(combo_, errors_);
    return true;
}

void CliSession::ReportErrors() {
    for (const auto& e : errors_.texts)
        out_.EmitError(e, "Error: " + e);
    errors_.texts.clear();
}

bool CliSession::Explain(const std::string& text) {
    out_.EmitError(text, "tagwright-cli: " + EscapeForTerminal(text));
    return true;
}

reader::ReaderReport CliSession::report(std::uint32_t parts) {
    return reader::AskReaderReport(parts).value_or(reader::ReaderReport{});
}

bool CliSession::ExplainSimulatorState() {
    const auto problem = report(CARDHOST_REPORT_PROBLEMS).ProblemOf("sim");
    return problem && Explain("simulated readers unavailable: " + *problem);
}

bool CliSession::ExplainMissingReaders() {
    if (combo_.Count() > 1) return false;
    const reader::ReaderReport known = report(CARDHOST_REPORT_PROBLEMS);
    if (const auto problem = known.ProblemOf("sim")) {
        return Explain("simulated readers unavailable: " + *problem);
    }
    const auto problem = known.ProblemOf("pcsc");
    return problem && Explain("PC/SC readers unavailable: " + *problem);
}

}  // namespace tagwright::cli
