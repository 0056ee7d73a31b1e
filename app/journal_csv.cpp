// SPDX-License-Identifier: MIT
#include "journal_csv.h"

namespace tagwright::app {
namespace {

bool LooksLikeFormula(std::string_view value) {
    if (value.empty()) return false;
    switch (value.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
        // A sheet cell can begin with a line break too; some spreadsheets drop it on import.
        case '\n':
        case '\'':
            return true;
        default:
            return false;
    }
}

std::string Unneutralise(std::string cell) {
    if (!cell.empty() && cell.front() == '\'') cell.erase(0, 1);
    return cell;
}

}  // namespace

std::string CsvCell(std::string_view value) {
    std::string cell = LooksLikeFormula(value) ? "'" : "";
    cell += value;
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (const char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvLine(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line += ',';
        line += CsvCell(cells[i]);
    }
    line += "\r\n";
    return line;
}

std::optional<std::vector<std::vector<std::string>>> ParseCsv(std::string_view text,
                                                              std::size_t maxRows) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    std::size_t i = 0;
    const auto endCell = [&] {
        row.push_back(Unneutralise(cell));
        cell.clear();
    };
    while (i < text.size()) {
        if (text[i] == '"') {
            if (!cell.empty()) return std::nullopt;
            ++i;
            for (;;) {
                if (i >= text.size()) return std::nullopt;  // never closed
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        cell += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += text[i++];
            }
            if (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                return std::nullopt;
            }
            continue;
        }
        const char c = text[i];
        if (c == ',') {
            endCell();
            ++i;
        } else if (c == '\r' || c == '\n') {
            endCell();
            rows.push_back(std::move(row));
            row.clear();
            if (rows.size() > maxRows) return std::nullopt;
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        } else {
            cell += c;
            ++i;
        }
    }
    if (!cell.empty() || !row.empty()) {
        endCell();
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tagwright::app
