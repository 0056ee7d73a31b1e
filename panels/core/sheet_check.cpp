// SPDX-License-Identifier: MIT
#include "sheet_check.h"

#include "mirror_room.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

#include "message_format.h"
#include "message_template.h"
#include "ndef/uri_record.h"

namespace tagwright::panels {
namespace {

constexpr int kTelPrefix = 5;

// RFC 3986: a letter, then letters, digits, "+", "-" or ".", then ":".
std::size_t SchemeLength(std::string_view url) {
    if (url.empty() || !std::isalpha(static_cast<unsigned char>(url[0]))) return 0;
    for (std::size_t i = 1; i < url.size(); ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c == ':') return i;
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

// What is wrong with the URL field's text under the chosen prefix, if anything.
std::optional<RowProblem> SchemeProblem(int row, std::string_view url, int prefix) {
    const std::size_t scheme = SchemeLength(url);
    if (prefix <= 0) {
        if (scheme == 0) {
            return RowProblem{row, RowFault::NoScheme,
                              "no scheme (such as https:) and no prefix to supply one"};
        }
        return std::nullopt;
    }
    const std::string prefixText(ndef::kUriPrefixes[std::size_t(prefix)]);
    const bool ownScheme =
        scheme > 0 && (prefix == kTelPrefix || url.substr(scheme + 1).starts_with("//"));
    const bool ownWww = prefixText.ends_with("www.") && url.starts_with("www.");
    if (ownScheme || ownWww) {
        return RowProblem{row, RowFault::DoubledScheme,
                          "the prefix " + prefixText + " would be followed by " +
                              std::string(url.substr(0, ownScheme ? scheme + 1 : 4))};
    }
    return std::nullopt;
}

bool VariesPerTag(std::string_view text) {
    return text.find("{uid}") != std::string_view::npos ||
           text.find("{n}") != std::string_view::npos ||
           text.find("{row}") != std::string_view::npos;
}

// A row of the run and a number: the hash of its text while duplicates are sought, then the
// earlier row that has the same text.
struct RowKey {
    std::uint64_t key;
    int row;
};

// The rows of firstRow..lastRow whose text an earlier one has, in row order, each with the
// first row of that text; `counts` says which texts take part. A set of the texts themselves
// cost a million-row sheet some 80 MB beside the sheet: each text is hashed instead, only rows of
// equal hashes are compared (their texts taken from the sheet), and the answer is written over
// the hashes, so that nothing beside them is held.
template <typename Counts>
std::vector<RowKey> FindDuplicates(const sheets::ColumnA& sheet, int firstRow, int lastRow,
                                   Counts&& counts) {
    std::vector<RowKey> rows;
    // Reserved at once: growing would hold the old array and one twice its size together.
    rows.reserve(
        std::min<std::size_t>(sheet.textCells(), static_cast<std::size_t>(lastRow - firstRow + 1)));
    sheet.ForEachCell([&](std::uint32_t index, std::string_view text) {
        const auto row = static_cast<long long>(index) + 1;
        if (row < firstRow || row > lastRow || !counts(text)) return;
        rows.push_back({std::hash<std::string_view>{}(text), static_cast<int>(row)});
    });
    std::sort(rows.begin(), rows.end(), [](const RowKey& a, const RowKey& b) {
        return a.key != b.key ? a.key < b.key : a.row < b.row;
    });
    std::size_t found = 0;  // rows[0, found) hold the duplicates found so far
    for (std::size_t begin = 0, end = 0; begin < rows.size(); begin = end) {
        end = begin + 1;
        while (end < rows.size() && rows[end].key == rows[begin].key)
            ++end;
        if (end - begin == 1) continue;
        // Rows of one hash, in row order: each is compared with the distinct texts before it.
        std::vector<std::pair<std::string, int>> distinct;
        for (std::size_t i = begin; i < end; ++i) {
            const int row = rows[i].row;
            std::string text = sheet.Text(static_cast<std::uint32_t>(row - 1));
            const auto seen = std::find_if(distinct.begin(), distinct.end(),
                                           [&](const auto& d) { return d.first == text; });
            if (seen != distinct.end()) {
                rows[found++] = {static_cast<std::uint64_t>(seen->second), row};
            } else {
                distinct.emplace_back(std::move(text), row);
            }
        }
    }
    rows.resize(found);
    rows.shrink_to_fit();
    std::sort(rows.begin(), rows.end(),
              [](const RowKey& a, const RowKey& b) { return a.row < b.row; });
    return rows;
}

}  // namespace

std::string_view RowFaultName(RowFault fault) {
    switch (fault) {
        case RowFault::NotText:
            return "not-text";
        case RowFault::TooLarge:
            return "too-large";
        case RowFault::NoScheme:
            return "no-scheme";
        case RowFault::DoubledScheme:
            return "doubled-scheme";
        case RowFault::Duplicate:
            return "duplicate";
        case RowFault::BadTemplate:
            return "bad-template";
    }
    return "";
}

SheetCheckResult CheckSheet(const sheets::ColumnA& sheet, const SheetCheckSettings& settings) {
    std::vector<RowProblem> problems;
    SheetCheckResult result = CheckSheet(
        sheet, settings, [&](RowProblem problem) { problems.push_back(std::move(problem)); });
    result.problems = std::move(problems);
    return result;
}

SheetCheckResult CheckSheet(const sheets::ColumnA& sheet, const SheetCheckSettings& settings,
                            const std::function<void(RowProblem)>& onProblem) {
    SheetCheckResult result;
    result.firstRow = settings.startRow < 1 ? 1 : settings.startRow;
    const long long lastText =
        sheet.textCells() == 0 ? 0 : static_cast<long long>(sheet.lastTextRow()) + 1;
    result.lastRow = static_cast<int>(
        lastText > result.firstRow && !settings.onlyStartRow ? lastText : result.firstRow);
    const auto format = MakeMessageFormat(settings.kind);
    const tag::NtagModel* model = tag::FindModel(settings.model);
    const std::uint16_t capacity = model != nullptr ? model->userMemoryCap : 0;
    const std::string modelName(tag::ModelName(settings.model));
    const auto runLength = static_cast<std::uint64_t>(result.lastRow - result.firstRow + 1);
    // A row takes part in the duplicate check when it passes the checks before it and its text
    // is the same on every tag.
    const auto duplicates =
        FindDuplicates(sheet, result.firstRow, result.lastRow, [&](std::string_view text) {
            return !settings.templates ||
                   (!VariesPerTag(text) && TemplateError(text, true).empty());
        });
    auto nextDuplicate = duplicates.begin();

    for (int row = result.firstRow; row <= result.lastRow; ++row) {
        const int before = result.problemCount;
        const auto report = [&](RowProblem problem) {
            ++result.problemCount;
            onProblem(std::move(problem));
        };
        const auto index = static_cast<std::uint32_t>(row - 1);
        if (!sheet.IsText(index)) {
            report({row, RowFault::NotText, "the cell holds no text"});
            ++result.failedRows;
            continue;
        }
        const bool mirror = settings.mirror != tag::MirrorKind::None;
        // The mirror's marker is no template field; its room is part of the message.
        const std::string cell = mirror ? HoldMirrorMarker(sheet.Text(index)) : sheet.Text(index);
        MessageContent content{cell, settings.prefix, settings.title};
        if (settings.templates) {
            const std::string error = TemplateError(cell, true);
            if (!error.empty()) {
                report({row, RowFault::BadTemplate, error});
                ++result.failedRows;
                continue;
            }
            content.text = LongestExpansion(cell, row, runLength);
            content.title = LongestExpansion(settings.title, row, runLength);
        }
        if (mirror) {
            content.text = ReleaseMirrorMarker(std::move(content.text));
            content = WithMirrorRoom(std::move(content), settings.mirror);
        }
        const std::size_t needed =
            format->SpaceNeeded(settings.ndefOffset, format->BuildRecord(content).size());
        if (needed > capacity) {
            report({row, RowFault::TooLarge,
                    "needs " + std::to_string(needed) + " bytes, " + modelName + " holds " +
                        std::to_string(capacity)});
        }
        if (settings.kind != PanelKind::Text) {
            if (auto problem = SchemeProblem(row, content.text, settings.prefix)) {
                report(std::move(*problem));
            }
        }
        if (nextDuplicate != duplicates.end() && nextDuplicate->row == row) {
            report({row, RowFault::Duplicate,
                    "the same text as row " + std::to_string(nextDuplicate->key)});
            ++nextDuplicate;
        }
        if (result.problemCount > before) ++result.failedRows;
    }
    return result;
}

}  // namespace tagwright::panels
