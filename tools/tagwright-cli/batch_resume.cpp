// SPDX-License-Identifier: MIT
#include "batch_resume.h"

#include "app/batch_resume.h"
#include "journal_command.h"
#include "utf8_text.h"

namespace tagwright::cli {
namespace {

// {"type":"resume","file":...,"sha256":...}: the batch's file, and its content.
Json Resume(const std::string& file, const app::ResumePoint& point) {
    Json object = Typed("resume");
    object["file"] = file;
    object["sha256"] = point.sha256;
    return object;
}

}  // namespace

ResumeStart ResumeBatch(const CliOptions& o, panels::SpreadsheetSource& rows, panels::Panel& panel,
                        panels::BatchLedger& ledger, ConsoleOutput& out) {
    const std::string file = *o.fromFile;
    const app::ResumePoint point = app::FindResumePoint(JournalOf(o), file);
    for (const auto& problem : point.problems) {
        out.EmitWarning(problem, "tagwright-cli: journal " + problem);
    }
    app::TakeUpBatch(point, ledger);
    Json resume = Resume(file, point);
    if (!point.lastRow) {
        resume["startRow"] = panel.rowNumberText();
        out.Emit(resume, "Resume: the journal has no row of " + file +
                             " written; starting at row " + panel.rowNumberText());
        return ResumeStart::Go;
    }
    const std::string next = std::to_string(point.nextRow());
    panel.SetRowNumberText(next);
    const bool loaded = rows.ReadCurrentRow();
    const std::string written = std::to_string(point.rowsWritten) + " rows on " +
                                std::to_string(point.tagsWritten) + " tags";
    resume["lastRow"] = *point.lastRow;
    if (!loaded && rows.RowsRanOut()) {
        resume["complete"] = true;
        out.Emit(resume, "Resume: " + file + " was written completely (" + written + ", last row " +
                             std::to_string(*point.lastRow) + ")");
        return ResumeStart::AllWritten;
    }
    resume["startRow"] = point.nextRow();
    out.Emit(resume, "Resume: " + file + " has " + written + " in the journal, the last row " +
                         std::to_string(*point.lastRow) + "; starting at row " + next);
    return ResumeStart::Go;
}

}  // namespace tagwright::cli
