// SPDX-License-Identifier: MIT
#include "tag_command.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "app/tag_journal.h"
#include "batch_resume.h"
#include "cli_session.h"
#include "exit_status.h"
#include "journal_command.h"
#include "loop_timers.h"
#include "ndef/uri_record.h"
#include "panels/core/operation_controller.h"
#include "panels/core/spreadsheet_source.h"
#include "sheet_check_report.h"
#include "utf8_text.h"

namespace tagwright::cli {
namespace {

// A figure as "%.1f" prints it, for the JSON output to give the plain line's.
double OneDecimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return std::strtod(text, nullptr);
}

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted = true;
}

struct Tally {
    std::uint64_t handled = 0, succeeded = 0, failed = 0;
    bool refused = false;  // a run touched no tag (a row that did not load, a bad key)
    // "Write from file": why the batch ended after a written tag, when it did.
    enum class BatchEnd { None, RowsRanOut, RowFailed } batchEnd = BatchEnd::None;
    std::string stoppedAtRow;
};

bool Written(panels::RunResult result) {
    return result == panels::RunResult::Succeeded || result == panels::RunResult::WrittenBatchEnded;
}

void PrintReadResult(ConsoleOutput& out, panels::PanelKind kind, const ConsolePanel& panel) {
    Json fields = Typed("result");
    fields["panel"] = app::PanelWord(kind);
    std::string plain;
    if (kind == panels::PanelKind::Text) {
        const std::string text = panel.shownText.value_or("");
        SetText(fields, "text", text);
        fields["bytes"] = text.size();
        plain = "text: " + EscapeForTerminal(text);
    } else {
        const int code = panel.shownPrefix.value_or(panels::kNoPrefix);
        const std::string prefix =
            code == panels::kNoPrefix ? "" : std::string(ndef::kUriPrefixes[std::size_t(code)]);
        const std::string url = panel.shownUrl.value_or("");
        fields["prefixCode"] = code;
        fields["prefix"] = prefix;
        SetText(fields, "url", url);
        plain = "prefix: " + prefix + "\nurl: " + EscapeForTerminal(url);
        if (kind == panels::PanelKind::SmartPoster) {
            const std::string title = panel.shownTitle.value_or("");
            SetText(fields, "title", title);
            plain += "\ntitle: " + EscapeForTerminal(title);
        }
    }
    if (panel.shownCounter) {
        fields["counter"] = *panel.shownCounter;
        plain += "\ncounter: " + std::to_string(*panel.shownCounter);
    }
    if (panel.shownGenuine) {
        fields["genuine"] = *panel.shownGenuine;
        plain += *panel.shownGenuine ? "\nsignature: genuine NXP" : "\nsignature: not NXP";
    }
    out.Emit(fields, plain);
}

void PrintSummary(ConsoleOutput& out, const Tally& tally, double seconds) {
    const double perMinute = seconds > 0 ? 60.0 * double(tally.handled) / seconds : 0.0;
    char plain[200];
    std::snprintf(plain, sizeof plain,
                  "Summary: %llu tags handled, %llu succeeded, %llu failed, %.1f s, %.1f "
                  "tags per minute",
                  static_cast<unsigned long long>(tally.handled),
                  static_cast<unsigned long long>(tally.succeeded),
                  static_cast<unsigned long long>(tally.failed), seconds, perMinute);
    Json json = Typed("summary");
    json["handled"] = tally.handled;
    json["succeeded"] = tally.succeeded;
    json["failed"] = tally.failed;
    // One decimal, as the plain line gives them.
    json["elapsedSeconds"] = OneDecimal(seconds);
    json["tagsPerMinute"] = OneDecimal(perMinute);
    std::string text = plain;
    switch (tally.batchEnd) {
        case Tally::BatchEnd::RowsRanOut:
            json["batchEnd"] = "rowsRanOut";
            text += "; the sheet's rows ran out";
            break;
        case Tally::BatchEnd::RowFailed:
            json["batchEnd"] = "rowNotLoaded";
            json["row"] = tally.stoppedAtRow;
            text += "; stopped: row " + tally.stoppedAtRow + " did not load";
            break;
        case Tally::BatchEnd::None:
            break;
    }
    out.Emit(json, text);
}

// The start-up selection, or the reader named on the command line; then Open device.
bool OpenReader(const CliOptions& o, reader::DeviceSession& devices, reader::ListDeviceCombo& combo,
                ConsoleOutput& out) {
    devices.StartupSelection();
    if (o.reader) {
        int found = -1;
        for (int i = 1; i < combo.Count(); ++i) {
            if (combo.Text(i) == *o.reader) found = i;
        }
        if (found < 0) {
            out.EmitError("no reader " + *o.reader, "tagwright-cli: no reader " + *o.reader);
            return false;
        }
        combo.Select(found);
        devices.OnSelectionChange();
    }
    devices.Open();
    return devices.selectedIndex() >= 0 && devices.api().Sys_IsOpen(devices.selectedHandle()) != 0;
}

// The panel and timers of the one function panel the command line runs.
class ConsolePanelFactory : public app::PanelFactory {
  public:
    ConsolePanelFactory(const CliOptions& o, ConsoleErrors& errors) : o_(o), errors_(errors) {}
    app::PanelParts Create(panels::PanelKind) override {
        auto p = std::make_unique<ConsolePanel>(o_, errors_);
        auto t = std::make_unique<LoopTimers>();
        panel = p.get();
        timers = t.get();
        return {std::move(p), std::move(t)};
    }
    ConsolePanel* panel = nullptr;
    LoopTimers* timers = nullptr;

  private:
    const CliOptions& o_;
    ConsoleErrors& errors_;
};

}  // namespace

void InstallInterruptHandlers() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

int RunTagCommand(const CliOptions& o, ConsoleOutput& out, const std::string& stdinText) {
    // Declared before the application: its panels record into it until they are gone.
    std::optional<app::TagJournal> journal;
    if (!o.noJournal) journal.emplace(JournalOf(o));
    CliSession session(o, out);
    if (!session.Start()) return kExitNoReader;
    session.application().SetJournal(journal ? &*journal : nullptr);
    ConsolePanelFactory factory(o, session.errors());
    app::OpenPanel& shown =
        *session.application().ShowPanel(session.application().currentPanel(), factory);
    ConsolePanel& panel = *factory.panel;
    LoopTimers& timers = *factory.timers;
    if (!OpenReader(o, session.devices(), session.combo(), out)) {
        session.ReportErrors();
        session.combo().Count() > 1 ? session.ExplainSimulatorState()
                                    : session.ExplainMissingReaders();
        return kExitNoReader;
    }

    panels::SpreadsheetSource& rows = shown.rows();
    if (o.fromFile) {
        if (!rows.LoadNamedFile(*o.fromFile)) {
            if (rows.loadRefusal() != sheets::LoadRefusal::Unreadable) {
                PrintLoadFailure(out, *o.fromFile, rows.loadRefusal());
            }
            return kExitFailure;
        }
    }
    if (o.fromStdin) panel.SetContentText(stdinText);

    panels::OperationController& controller = shown.controller();
    controller.ledger().SetUniqueTags(o.uniqueTags);
    if (o.resume &&
        ResumeBatch(o, rows, panel, controller.ledger(), out) == ResumeStart::AllWritten) {
        return kExitSuccess;
    }
    // A batch on a line should not stop at row 700: every row it will write is tried before the
    // first tag. A resumed batch is checked from the row it resumes at: the rows before it are
    // on tags already, and a --row past that row must not leave the rows in between unchecked.
    if (o.fromFile && o.command == Command::Write && o.autoOperation && !o.noCheck) {
        panels::SheetCheckSettings settings = CheckSettingsOf(o);
        settings.startRow = panels::RowNumberValue(panel.rowNumberText());
        if (!CheckAndPrint(out, *rows.sheet(), settings, o, true)) {
            const std::string text =
                "pre-flight check failed; the batch did not start (--no-check starts it)";
            out.EmitError(text, "tagwright-cli: " + text);
            return kExitUsage;
        }
    }
    Tally tally;
    std::optional<panels::RunResult> lastResult;
    const auto started = std::chrono::steady_clock::now();
    controller.SetRunObserver([&](panels::RunResult result) {
        if (result == panels::RunResult::Succeeded && o.command == Command::Read) {
            PrintReadResult(out, o.panel, panel);
        }
        if (result == panels::RunResult::WrittenBatchEnded) {
            tally.batchEnd =
                rows.RowsRanOut() ? Tally::BatchEnd::RowsRanOut : Tally::BatchEnd::RowFailed;
            tally.stoppedAtRow = panel.rowNumberText();
        }
        if (result == panels::RunResult::Refused) tally.refused = true;
        if (Written(result) || result == panels::RunResult::Failed) {
            ++tally.handled;
            ++(Written(result) ? tally.succeeded : tally.failed);
            if (o.autoOperation) {
                out.Progress("tags " + std::to_string(tally.handled) + " (" +
                             std::to_string(tally.failed) + " failed)" +
                             (o.fromFile ? ", row " + panel.rowNumberText() : ""));
            }
            if (o.count && tally.handled >= *o.count) controller.OnStop();
        }
        lastResult = result;
        panel.ForgetShown();
    });

    switch (o.command) {
        case Command::Read:
            controller.OnRead();
            break;
        case Command::Write:
            controller.OnWrite();
            break;
        case Command::ClearKey:
            controller.OnClearKey();
            break;
        case Command::Erase:
            controller.OnErase();
            break;
        default:
            break;
    }
    session.ReportErrors();
    if (o.autoOperation && timers.AnyRunning()) {
        timers.Run(g_interrupted);
        controller.OnStop();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        PrintSummary(out, tally, seconds);
        if (tally.failed == 0 && !tally.refused && tally.batchEnd != Tally::BatchEnd::RowFailed) {
            return kExitSuccess;
        }
    } else if (lastResult && Written(*lastResult)) {
        // One tag written with its row is a success even when the row after it does not load
        // (the log says so); a command that did not start (bad key, no sheet, no row) is a
        // failure.
        return kExitSuccess;
    }
    session.ExplainSimulatorState();
    return kExitFailure;
}

}  // namespace tagwright::cli
