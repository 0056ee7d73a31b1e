// SPDX-License-Identifier: MIT
#include "production_run.h"

#include "log/log_feed.h"
#include "panels/core/sheet_check.h"
#include "panels/core/spreadsheet_source.h"
#include "text/text_tables.h"

namespace tagwright::app {
namespace {

using text::Table;
namespace g = text::general;

std::string General(int entry) {
    return std::string(text::Tr(Table::General, entry));
}

bool BatchFromSheet(OpenPanel& open) {
    const panels::Panel& panel = open.panel();
    return panel.autoOperation() && panel.writeFromFile() && open.rows().SheetLoaded();
}

// The last row a batch from the current row can reach (1-based).
int LastRow(OpenPanel& open) {
    const panels::Panel& panel = open.panel();
    if (!panel.rowAutoIncrement()) return panels::RowNumberValue(panel.rowNumberText());
    return int(open.rows().sheet()->lastTextRow()) + 1;
}

}  // namespace

std::optional<Question> PreflightQuestion(OpenPanel& open) {
    if (!BatchFromSheet(open)) return std::nullopt;
    const panels::Panel& panel = open.panel();
    panels::SheetCheckSettings settings;
    settings.kind = open.kind();
    settings.prefix = panel.prefixCode() == panels::kNoPrefix ? 0 : panel.prefixCode();
    settings.title = panel.titleText();
    settings.startRow = panels::RowNumberValue(panel.rowNumberText());
    settings.onlyStartRow = !panel.rowAutoIncrement();
    settings.templates = panel.expandTemplates();
    Question question;
    std::size_t unlisted = 0;
    int lastListedRow = 0;
    const auto result =
        panels::CheckSheet(*open.rows().sheet(), settings, [&](panels::RowProblem problem) {
            if (question.lines.size() >= kListedProblems) {
                if (problem.row != lastListedRow) ++unlisted;
                return;
            }
            lastListedRow = problem.row;
            question.lines.push_back(text::TrArgs(Table::General, g::kPreflightRow,
                                                  {std::to_string(problem.row), problem.detail}));
        });
    if (result.Passed()) return std::nullopt;
    question.caption = General(g::kPreflightCaption);
    question.text = text::TrArgs(Table::General, g::kPreflightIntro,
                                 {std::to_string(result.firstRow), std::to_string(result.lastRow),
                                  std::to_string(result.failedRows)});
    if (unlisted > 0) {
        question.lines.push_back(
            text::TrArgs(Table::General, g::kPreflightMore, {std::to_string(unlisted)}));
    }
    question.yes = General(g::kStartAnyway);
    question.no = General(g::kCancel);
    return question;
}

void PressWrite(OpenPanel& open, ProductionQuestions& ask, BatchPace& pace,
                BatchPace::Clock::time_point now) {
    const bool batch = BatchFromSheet(open);
    if (const auto question = PreflightQuestion(open); question && !ask.Ask(*question)) return;
    pace = {};
    if (batch) pace.Start(now, panels::RowNumberValue(open.panel().rowNumberText()), LastRow(open));
    open.controller().OnWrite();
}

bool RunEnded(OpenPanel& open, BatchPace& pace, panels::RunResult result) {
    if (!pace.started()) return false;
    const int row = panels::RowNumberValue(open.panel().rowNumberText());
    if (result == panels::RunResult::Succeeded || result == panels::RunResult::WrittenBatchEnded) {
        pace.Written(row);
    } else {
        pace.AtRow(row);
    }
    return true;
}

std::optional<Question> ResumeQuestion(const ResumePoint& point, const panels::ColumnA& sheet,
                                       std::string* allWritten) {
    if (!point.Known()) return std::nullopt;
    if (point.Complete(sheet)) {
        if (allWritten) {
            *allWritten = text::TrArgs(
                Table::General, g::kResumeAllWritten,
                {std::to_string(point.rowsWritten), std::to_string(point.tagsWritten)});
        }
        return std::nullopt;
    }
    Question question;
    question.caption = General(g::kResumeCaption);
    question.text =
        text::TrArgs(Table::General, g::kResumeQuestion,
                     {std::to_string(*point.firstRow), std::to_string(*point.lastRow),
                      std::to_string(point.tagsWritten), std::to_string(point.nextRow())});
    question.yes = General(g::kResumeGoOn);
    question.no = General(g::kResumeAfresh);
    return question;
}

void ChooseSheet(OpenPanel& open, const std::filesystem::path& path, const TagJournal* journal,
                 ProductionQuestions& ask) {
    panels::SpreadsheetSource& rows = open.rows();
    rows.LoadChosenFile(path);
    if (!rows.SheetLoaded() || journal == nullptr) return;
    const ResumePoint point = FindResumePoint(journal->file(), rows.loadedPath());
    std::string allWritten;
    const auto question = ResumeQuestion(point, *rows.sheet(), &allWritten);
    if (!allWritten.empty()) feed::ShowStatus(allWritten, feed::kBlue);
    if (!question || !ask.Ask(*question)) return;
    TakeUpBatch(point, open.controller().ledger());
    open.panel().SetRowNumberText(std::to_string(point.nextRow()));
    rows.ReadCurrentRow();
}

}  // namespace tagwright::app
