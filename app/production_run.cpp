// SPDX-License-Identifier: MIT
#include "production_run.h"

#include <set>

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
    // Sized for the tags the panel last met; before the first, only what fits no tag at all
    // fails, so that the list does not bury the rows that fail everywhere under rows that fit
    // the tags on the line.
    const auto model = open.controller().lastModel();
    settings.model = model.value_or(tag::kNtag216);
    settings.prefix = panel.prefixCode() == panels::kNoPrefix ? 0 : panel.prefixCode();
    settings.title = panel.titleText();
    settings.startRow = panels::RowNumberValue(panel.rowNumberText());
    settings.onlyStartRow = !panel.rowAutoIncrement();
    settings.templates = panel.expandTemplates();
    settings.mirror = panel.mirror();
    // Rows that fail on every tag (blank, no scheme, a duplicate...) are listed before those
    // that are too large, each kind in row order; the rows left over are counted.
    std::vector<panels::RowProblem> everywhere, tooLarge;
    const auto result =
        panels::CheckSheet(*open.rows().sheet(), settings, [&](panels::RowProblem problem) {
            auto& kind = problem.fault == panels::RowFault::TooLarge ? tooLarge : everywhere;
            if (kind.size() < kListedProblems) kind.push_back(std::move(problem));
        });
    if (result.Passed()) return std::nullopt;
    Question question;
    std::set<int> listedRows;
    for (const auto* kind : {&everywhere, &tooLarge}) {
        for (const panels::RowProblem& problem : *kind) {
            if (question.lines.size() == kListedProblems) break;
            listedRows.insert(problem.row);
            question.lines.push_back(text::TrArgs(Table::General, g::kPreflightRow,
                                                  {std::to_string(problem.row), problem.detail}));
        }
    }
    question.caption = General(g::kPreflightCaption);
    const std::string first = std::to_string(result.firstRow),
                      last = std::to_string(result.lastRow),
                      failed = std::to_string(result.failedRows);
    question.text =
        model ? text::TrArgs(Table::General, g::kPreflightIntro,
                             {first, last, failed, tag::ModelName(*model)})
              : text::TrArgs(Table::General, g::kPreflightIntroAnyTag, {first, last, failed});
    const auto unlisted = std::size_t(result.failedRows) - listedRows.size();
    if (unlisted > 0) {
        question.lines.push_back(
            text::TrArgs(Table::General, g::kPreflightMore, {std::to_string(unlisted)}));
    }
    question.yes = General(g::kStartAnyway);
    question.no = General(g::kCancel);
    return question;
}

void PressWrite(OpenPanel& open, ProductionQuestions& ask, BatchPace& pace,
                const std::function<BatchPace::Clock::time_point()>& now) {
    const bool batch = BatchFromSheet(open);
    if (const auto question = PreflightQuestion(open); question && !ask.Ask(*question)) return;
    pace = {};
    if (batch) {
        pace.Start(now(), panels::RowNumberValue(open.panel().rowNumberText()), LastRow(open));
    }
    open.controller().OnWrite();
}

bool RunEnded(OpenPanel& open, BatchPace& pace, panels::RunResult result,
              BatchPace::Clock::time_point now) {
    if (!pace.started()) return false;
    const int row = panels::RowNumberValue(open.panel().rowNumberText());
    if (result == panels::RunResult::Succeeded || result == panels::RunResult::WrittenBatchEnded) {
        pace.Written(row);
    } else {
        pace.AtRow(row);
    }
    if (result == panels::RunResult::WrittenBatchEnded) pace.Finish(now);
    return true;
}

std::optional<Question> ResumeQuestion(const ResumePoint& point, const sheets::ColumnA& sheet,
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
    const std::string first = std::to_string(*point.firstRow),
                      last = std::to_string(*point.lastRow),
                      tags = std::to_string(point.tagsWritten),
                      next = std::to_string(point.nextRow());
    const bool oneRow = *point.firstRow == *point.lastRow, oneTag = point.tagsWritten == 1;
    if (oneRow && oneTag) {
        question.text = text::TrArgs(Table::General, g::kResumeOneRowOneTag, {first, next});
    } else if (oneRow) {
        question.text = text::TrArgs(Table::General, g::kResumeOneRow, {first, tags, next});
    } else if (oneTag) {
        question.text = text::TrArgs(Table::General, g::kResumeRowsOneTag, {first, last, next});
    } else {
        question.text = text::TrArgs(Table::General, g::kResumeQuestion, {first, last, tags, next});
    }
    question.yes = General(g::kResumeGoOn);
    question.no = General(g::kResumeAfresh);
    return question;
}

void ChooseSheet(OpenPanel& open, const std::filesystem::path& path, const TagJournal* journal,
                 ProductionQuestions& ask) {
    panels::SpreadsheetSource& rows = open.rows();
    rows.LoadChosenFile(path);
    if (!rows.SheetLoaded()) return;
    // The tags of the last sheet received none of this one's rows: one row per tag, and the
    // read-back of a resumed batch, go by this sheet's journal alone.
    open.controller().ledger().Forget();
    if (journal == nullptr) return;
    const ResumePoint point = FindResumePoint(journal->file(), rows.loadedPath());
    std::string allWritten;
    const auto question = ResumeQuestion(point, *rows.sheet(), &allWritten);
    if (!allWritten.empty()) feed::ShowStatus(allWritten, feed::kBlue);
    if (!question) return;
    // Start afresh: from the sheet's first row, whatever row the field held before the load.
    const bool goOn = ask.Ask(*question);
    if (goOn) TakeUpBatch(point, open.controller().ledger());
    open.panel().SetRowNumberText(std::to_string(goOn ? point.nextRow() : 1));
    rows.ReadCurrentRow();
}

}  // namespace tagwright::app
