// SPDX-License-Identifier: MIT
#include "sheet_check.h"

#include <cctype>
#include <map>

#include "message_format.h"
#include "message_template.h"
#include "tag/uri_record.h"

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
    const std::string prefixText(tag::kUriPrefixes[std::size_t(prefix)]);
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

SheetCheckResult CheckSheet(const ColumnA& sheet, const SheetCheckSettings& settings) {
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
    std::map<std::string, int> firstSeen;

    for (int row = result.firstRow; row <= result.lastRow; ++row) {
        const std::size_t before = result.problems.size();
        const auto index = static_cast<std::uint32_t>(row - 1);
        if (!sheet.IsText(index)) {
            result.problems.push_back({row, RowFault::NotText, "the cell holds no text"});
            ++result.failedRows;
            continue;
        }
        const std::string cell = sheet.Text(index);
        MessageContent content{cell, settings.prefix, settings.title};
        if (settings.templates) {
            const std::string error = TemplateError(cell, true);
            if (!error.empty()) {
                result.problems.push_back({row, RowFault::BadTemplate, error});
                ++result.failedRows;
                continue;
            }
            content.text = LongestExpansion(cell, row, runLength);
            content.title = LongestExpansion(settings.title, row, runLength);
        }
        const std::size_t needed =
            format->SpaceNeeded(settings.ndefOffset, format->BuildRecord(content).size());
        if (needed > capacity) {
            result.problems.push_back({row, RowFault::TooLarge,
                                       "needs " + std::to_string(needed) + " bytes, " + modelName +
                                           " holds " + std::to_string(capacity)});
        }
        if (settings.kind != PanelKind::Text) {
            if (auto problem = SchemeProblem(row, content.text, settings.prefix)) {
                result.problems.push_back(std::move(*problem));
            }
        }
        if (!(settings.templates && VariesPerTag(cell))) {
            const auto [seen, isNew] = firstSeen.emplace(cell, row);
            if (!isNew) {
                result.problems.push_back({row, RowFault::Duplicate,
                                           "the same text as row " + std::to_string(seen->second)});
            }
        }
        if (result.problems.size() > before) ++result.failedRows;
    }
    return result;
}

}  // namespace tagwright::panels
