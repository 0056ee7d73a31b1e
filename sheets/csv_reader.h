// SPDX-License-Identifier: MIT
// .csv files: UTF-8 text, RFC 4180 quoting; column A is the first field of each record. The file
// is fed piece by piece, so that only column A is ever held.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "column_builder.h"
#include "utf8_check.h"

namespace tagwright::sheets {

class CsvColumnReader {
  public:
    explicit CsvColumnReader(const SheetLimits& limits) : column_(limits) {}
    // False once the file cannot load: not UTF-8 text, or past a limit.
    bool Feed(std::span<const std::uint8_t> bytes);
    // After the last piece: the column, or nothing when the file does not load.
    std::optional<ColumnA> Finish();
    // Whether the file failed because it has more records than a sheet has rows.
    bool pastLastRow() const { return pastLastRow_; }

  private:
    enum class State {
        RecordStart,
        Field,        // the first field, unquoted
        Quoted,       // the first field, inside quotes
        QuotedQuote,  // a quote inside the quoted first field: doubled, or its end
        Rest,         // the record's other fields, outside quotes
        RestQuoted,   // the record's other fields, inside quotes
        AfterCr,      // a CR ended the record; an LF right after it belongs to it
        PastLastRow,  // after the last row a sheet can have: only line ends may follow
    };
    bool Step(std::uint8_t c);
    bool EndField();
    void EndRecord(State next);

    ColumnBuilder column_;
    Utf8Check utf8_;
    State state_ = State::RecordStart;
    std::string field_;
    std::uint32_t row_ = 0;
    std::size_t bomSeen_ = 0;  // leading bytes that matched the byte order mark
    bool failed_ = false;
    bool pastLastRow_ = false;
};

}  // namespace tagwright::sheets
