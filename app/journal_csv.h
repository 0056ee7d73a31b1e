// SPDX-License-Identifier: MIT
// The journal's CSV: cells that a spreadsheet opens as text, never as a formula, and the reader
// that takes them back exactly.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagwright::app {

// One cell, quoted when it holds a comma, quote, CR or LF. A cell beginning with = + - @, a tab
// or a CR (which a spreadsheet may take for a formula) is prefixed with ' — and so is one that
// begins with ' itself, so that the reader can take exactly one ' away again.
std::string CsvCell(std::string_view value);
// The cells joined by commas, ended by CRLF.
std::string CsvLine(const std::vector<std::string>& cells);

// One record at the start of `text`, as far as its line end.
struct CsvRecord {
    enum class Status {
        Complete,   // `cells` and `length` (the line end included) are set
        NeedMore,   // the text ends inside the record: more text may complete it
        Malformed,  // a quote inside an unquoted cell, or text after a closing quote
        Unended,    // `atEnd` and the record has no line end; `cells` holds what it has
        Empty,      // `atEnd` and the text is empty
        TooLong,    // the record does not end within `maxLength` bytes
    };
    Status status = Status::Empty;
    std::vector<std::string> cells;
    std::size_t length = 0;
};
// `atEnd`: nothing follows `text`. A CR or LF, or CR LF, ends a record outside quotes. No more
// than `maxLength` bytes are looked at.
CsvRecord ParseCsvRecord(std::string_view text, bool atEnd,
                         std::size_t maxLength = std::string_view::npos);

// The rows of a CSV text written by CsvLine, each cell as it was before CsvCell. Nothing when
// the text is not well formed (a quote inside an unquoted cell, a quoted cell not closed, text
// after a closing quote) or holds more than `maxRows` rows.
std::optional<std::vector<std::vector<std::string>>> ParseCsv(std::string_view text,
                                                              std::size_t maxRows = 10'000'000);

}  // namespace tagwright::app
