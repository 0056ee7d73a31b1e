// SPDX-License-Identifier: MIT
#include "sheet_check_report.h"

#include <cstdio>

#include "panels/core/spreadsheet_source.h"
#include "utf8_text.h"

namespace tagwright::cli {

panels::SheetCheckSettings CheckSettingsOf(const CliOptions& o) {
    panels::SheetCheckSettings settings;
    settings.kind = o.panel;
    settings.model = o.model;
    settings.prefix = o.prefixCode;
    settings.title = o.title;
    settings.startRow = panels::RowNumberValue(o.row);
    settings.onlyStartRow = !o.rowAuto;
    settings.ndefOffset = o.ndefOffset;
    settings.templates = o.templates;
    settings.mirror = o.mirror;
    return settings;
}

namespace {

void PrintProblem(ConsoleOutput& out, const panels::RowProblem& p) {
    const std::string name(panels::RowFaultName(p.fault));
    char row[48];
    std::snprintf(row, sizeof row, "%6d  %-14s  ", p.row, name.c_str());
    Json problem = Typed("problem");
    problem["row"] = p.row;
    problem["problem"] = name;
    problem["detail"] = ReplaceInvalidUtf8(p.detail);
    out.Emit(problem, row + EscapeForTerminal(p.detail));
}

void PrintSummary(ConsoleOutput& out, const panels::SheetCheckResult& result, const CliOptions& o) {
    const int checked = result.lastRow - result.firstRow + 1;
    const std::string model(tag::ModelName(o.model));
    Json summary = Typed("checkSummary");
    summary["firstRow"] = result.firstRow;
    summary["lastRow"] = result.lastRow;
    summary["rowsChecked"] = checked;
    summary["failedRows"] = result.failedRows;
    summary["model"] = model;
    summary["passed"] = result.Passed();
    out.Emit(summary, "Check: " + std::to_string(checked) + " rows (" +
                          std::to_string(result.firstRow) + " to " +
                          std::to_string(result.lastRow) + ") for " + model + ", " +
                          std::to_string(result.failedRows) + " would fail");
}

}  // namespace

bool CheckAndPrint(ConsoleOutput& out, const sheets::ColumnA& sheet,
                   const panels::SheetCheckSettings& settings, const CliOptions& o,
                   bool quietWhenPassed) {
    bool first = true;
    const auto result = panels::CheckSheet(sheet, settings, [&](panels::RowProblem problem) {
        if (first && !o.json) out.Emit({}, "   Row  Problem         Detail");
        first = false;
        PrintProblem(out, problem);
    });
    if (!result.Passed() || !quietWhenPassed) PrintSummary(out, result, o);
    return result.Passed();
}

void PrintLoadFailure(ConsoleOutput& out, const std::string& path, sheets::LoadRefusal refusal) {
    std::string text = "cannot load " + path;
    if (refusal != sheets::LoadRefusal::Unreadable) {
        text += ": " + std::string(sheets::LoadRefusalText(refusal));
    }
    out.EmitError(text, "tagwright-cli: " + EscapeForTerminal(text));
}

int RunSheetCheck(const CliOptions& o, ConsoleOutput& out) {
    sheets::Workbook workbook;
    if (!workbook.Load(*o.fromFile)) {
        PrintLoadFailure(out, *o.fromFile, workbook.refusal());
        return 1;
    }
    return CheckAndPrint(out, *workbook.FirstSheet(), CheckSettingsOf(o), o, false) ? 0 : 1;
}

}  // namespace tagwright::cli
