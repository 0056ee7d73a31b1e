// SPDX-License-Identifier: MIT
#include "cli_session.h"

#include "reader_details.h"
#include "simulator_state.h"
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

bool CliSession::ExplainSimulatorState() {
    const auto problem = SimulatorStateProblem();
    return problem && Explain("simulated readers unavailable: " + *problem);
}

bool CliSession::ExplainMissingReaders() {
    if (combo_.Count() > 1) return false;
    if (ExplainSimulatorState()) return true;
    const auto problem = PcscProblem();
    return problem && Explain("PC/SC readers unavailable: " + *problem);
}

}  // namespace tagwright::cli
