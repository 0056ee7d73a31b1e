// SPDX-License-Identifier: MIT
// How the .xls helper hands column A back: "TWXLS 1", then per text cell its row and byte
// length on one line and the bytes on the next, then "END". The program reads the answer piece
// by piece as it arrives, within the same limits as every reader.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "column_builder.h"

namespace tagwright::sheets {

std::string EncodeColumn(const ColumnA& column);

class ColumnDecoder {
  public:
    explicit ColumnDecoder(const SheetLimits& limits) : column_(limits) {}
    // False once the answer is malformed or passes a limit.
    bool Feed(std::string_view bytes);
    // After the last piece: the column, or nothing when the answer was not whole.
    std::optional<ColumnA> Finish();

  private:
    bool FeedLine(char c);
    enum class State { Header, Line, Text, TextEnd, Done } state_ = State::Header;
    ColumnBuilder column_;
    std::string pending_;  // the header or a line read so far, or a cell's text
    std::uint32_t row_ = 0;
    std::size_t length_ = 0;
    bool failed_ = false;
};

std::optional<ColumnA> DecodeColumn(std::string_view text,
                                    const SheetLimits& limits = kSheetLimits);

}  // namespace tagwright::sheets
