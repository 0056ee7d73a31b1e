// SPDX-License-Identifier: MIT
// The window's production flows around a batch from a sheet: the pre-flight check before an
// Auto batch starts, the offer to take up a batch that the journal knows, and the pace line.
// The questions are put to the operator through ProductionQuestions; the front end's dialogs
// only show them and say which button was pressed.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch_pace.h"
#include "batch_resume.h"
#include "open_panel.h"
#include "tag_journal.h"

namespace tagwright::app {

// A question with two answers, in the current language.
struct Question {
    std::string caption;
    std::string text;
    std::vector<std::string> lines;  // listed under the text (the rows that would fail)
    std::string yes, no;
};

class ProductionQuestions {
  public:
    virtual ~ProductionQuestions() = default;
    // True for the first answer (`yes`).
    virtual bool Ask(const Question& question) = 0;
};

// How many failing rows the pre-flight question lists; the rest are counted.
inline constexpr std::size_t kListedProblems = 20;

// The pre-flight of an Auto batch from a sheet: the rows from the current one to the sheet's
// end, checked as `tagwright-cli check` checks them. Nothing when the Write is no such batch or
// every row passes; otherwise the question to put.
std::optional<Question> PreflightQuestion(OpenPanel& open);

// The Write button: the pre-flight first (Cancel starts nothing), then the Write command; an
// Auto batch from a sheet starts its pace when the question is answered (`now` tells when).
// Any other Write ends the pace line of an earlier batch.
void PressWrite(OpenPanel& open, ProductionQuestions& ask, BatchPace& pace,
                const std::function<BatchPace::Clock::time_point()>& now);

// A run ended at `now`: the pace takes it in; the batch's last row ends it. False when there is
// no batch to show the pace of.
bool RunEnded(OpenPanel& open, BatchPace& pace, panels::RunResult result,
              BatchPace::Clock::time_point now);

// Whether to take up the batch of the sheet just loaded, as the question to put: nothing when
// the journal has no row of it written, or every row of it (then `allWritten` says so).
std::optional<Question> ResumeQuestion(const ResumePoint& point, const sheets::ColumnA& sheet,
                                       std::string* allWritten);

// A sheet chosen in the file dialog: loaded; when the journal (if any) knows it, the operator is
// asked whether to go on after the last row written, and the batch is taken up as --resume
// takes it up (the first tag is read back).
void ChooseSheet(OpenPanel& open, const std::filesystem::path& path, const TagJournal* journal,
                 ProductionQuestions& ask);

}  // namespace tagwright::app
