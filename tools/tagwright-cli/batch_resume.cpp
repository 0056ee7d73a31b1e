// SPDX-License-Identifier: MIT
#include "batch_resume.h"

#include "app/batch_resume.h"
#include "journal_command.h"

namespace tagwright::cli {
namespace {

void Say(ConsoleOutput& out, const std::string& json, const std::string& plain) {
    out.Emit("\"type\":\"resume\"," + json, plain);
}

}  // namespace

ResumeStart ResumeBatch(const CliOptions& o, panels::SpreadsheetSource& rows, panels::Panel& panel,
                        panels::BatchLedger& ledger, ConsoleOutput& out) {
    const std::string file = *o.fromFile;
    const app::ResumePoint point = app::FindResumePoint(JournalOf(o), file);
    for (const auto& problem : point.problems) {
        out.Emit("\"type\":\"warning\",\"text\":" + JsonString(problem),
                 "tagwright-cli: journal " + problem);
    }
    app::TakeUpBatch(point, ledger);
    const std::string id = JsonString(file) + ",\"sha256\":" + JsonString(point.sha256);
    if (!point.lastRow) {
        Say(out, "\"file\":" + id + ",\"startRow\":" + JsonString(panel.rowNumberText()),
            "Resume: the journal has no row of " + file + " written; starting at row " +
                panel.rowNumberText());
        return ResumeStart::Go;
    }
    const std::string next = std::to_string(point.nextRow());
    panel.SetRowNumberText(next);
    const bool loaded = rows.ReadCurrentRow();
    const std::string written = std::to_string(point.rowsWritten) + " rows on " +
                                std::to_string(point.tagsWritten) + " tags";
    if (!loaded && rows.RowsRanOut()) {
        Say(out,
            "\"file\":" + id + ",\"lastRow\":" + std::to_string(*point.lastRow) +
                ",\"complete\":true",
            "Resume: " + file + " was written completely (" + written + ", last row " +
                std::to_string(*point.lastRow) + ")");
        return ResumeStart::AllWritten;
    }
    Say(out,
        "\"file\":" + id + ",\"lastRow\":" + std::to_string(*point.lastRow) +
            ",\"startRow\":" + next,
        "Resume: " + file + " has " + written + " in the journal, the last row " +
            std::to_string(*point.lastRow) + "; starting at row " + next);
    return ResumeStart::Go;
}

}  // namespace tagwright::cli
