// SPDX-License-Identifier: MIT
// The pre-flight check of a batch: before any tag is touched, every row from the start row to the
// sheet's last text row is tried against what the Write will demand of it, so that a batch does
// not stop half-way on a line because of row 700.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "panel.h"
#include "sheets/column_a.h"
#include "tag/mirror.h"
#include "tag/ntag_model.h"

namespace tagwright::panels {

struct SheetCheckSettings {
    PanelKind kind = PanelKind::Text;
    tag::ModelCode model = tag::kNtag210;  // the smallest of the six
    int prefix = 0;                        // URL and SmartPoster
    std::string title;                     // SmartPoster
    int startRow = 1;
    bool onlyStartRow = false;    // a batch that writes the same row to every tag
    std::uint8_t ndefOffset = 0;  // where the NDEF TLV stands: 0 on a tag without other TLVs
    bool templates = false;
    tag::MirrorKind mirror = tag::MirrorKind::None;  // URL and SmartPoster: its room counts
};

enum class RowFault {
    NotText,        // the cell is blank, a number, a date... : the row would not load
    TooLarge,       // the message does not fit the model's capacity
    NoScheme,       // prefix code 0 and the URL names no scheme of its own
    DoubledScheme,  // a prefix is chosen and the URL begins with a scheme (or www.) again
    Duplicate,      // the same text as an earlier row
    BadTemplate,    // with templates on, the text is no valid template
};

std::string_view RowFaultName(RowFault fault);  // "not-text", "too-large", ...

struct RowProblem {
    int row;
    RowFault fault;
    std::string detail;  // English, for the operator
};

struct SheetCheckResult {
    int firstRow = 1, lastRow = 1;  // the rows checked
    int failedRows = 0;             // rows with at least one problem
    int problemCount = 0;
    std::vector<RowProblem> problems;  // held only by the CheckSheet that returns them
    bool Passed() const { return problemCount == 0; }
};

// `sheet` may hold no text at all: the start row is always checked.
SheetCheckResult CheckSheet(const sheets::ColumnA& sheet, const SheetCheckSettings& settings);
// The same, handing on each problem as it is found, in row order, and holding none: a million
// failing rows cost no more memory than a million good ones.
SheetCheckResult CheckSheet(const sheets::ColumnA& sheet, const SheetCheckSettings& settings,
                            const std::function<void(RowProblem)>& onProblem);

}  // namespace tagwright::panels
