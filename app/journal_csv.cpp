// SPDX-License-Identifier: MIT
#include "journal_csv.h"

#include <algorithm>

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

CsvRecord ParseCsvRecord(std::string_view text, bool atEnd, std::size_t maxLength) {
    using Status = CsvRecord::Status;
    CsvRecord record;
    std::string cell;
    bool quoted = false;  // the cell so far was a quoted one, closed
    const auto endCell = [&] {
        record.cells.push_back(Unneutralise(std::move(cell)));
        cell.clear();
        quoted = false;
    };
    // Where the text stops: its end, or the record is too long.
    const std::size_t end = std::min(text.size(), maxLength);
    const auto stopped = [&] {
        if (end < text.size() || (!atEnd && text.size() >= maxLength)) return Status::TooLong;
        return atEnd ? Status::Malformed : Status::NeedMore;
    };
    if (text.empty()) {
        record.status = atEnd ? Status::Empty : Status::NeedMore;
        return record;
    }
    std::size_t i = 0;
    while (i < end) {
        const char c = text[i];
        if (c == '"') {
            if (quoted || !cell.empty()) return {Status::Malformed, {}, 0};
            for (++i;; ++i) {
                if (i >= end) return {stopped(), {}, 0};
                if (text[i] != '"') {
                    cell += text[i];
                } else if (i + 1 == text.size() && !atEnd) {
                    return {Status::NeedMore, {}, 0};  // a doubled quote, or the closing one
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else {
                    break;
                }
            }
            ++i;
            quoted = true;
            continue;
        }
        if (quoted && c != ',' && c != '\r' && c != '\n') return {Status::Malformed, {}, 0};
        if (c == ',') {
            endCell();
            ++i;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 == text.size() && !atEnd) return {Status::NeedMore, {}, 0};
            endCell();
            record.length = i + ((c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1);
            record.status = Status::Complete;
            return record;
        } else {
            cell += c;
            ++i;
        }
    }
    if (end < text.size() || !atEnd) return {stopped(), {}, 0};
    endCell();
    record.length = text.size();
    record.status = Status::Unended;
    return record;
}

std::optional<std::vector<std::vector<std::string>>> ParseCsv(std::string_view text,
                                                              std::size_t maxRows) {
    std::vector<std::vector<std::string>> rows;
    for (;;) {
        CsvRecord record = ParseCsvRecord(text, true);
        switch (record.status) {
            case CsvRecord::Status::Empty:
                return rows;
            case CsvRecord::Status::Malformed:
            case CsvRecord::Status::NeedMore:
            case CsvRecord::Status::TooLong:
                return std::nullopt;
            case CsvRecord::Status::Complete:
            case CsvRecord::Status::Unended:
                break;
        }
        if (rows.size() == maxRows) return std::nullopt;
        rows.push_back(std::move(record.cells));
        text.remove_prefix(record.length);
    }
}

}  // namespace tagwright::app
