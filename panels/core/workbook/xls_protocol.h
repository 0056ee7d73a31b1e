// How the .xls helper hands column A back: "TWXLS 1", then per text cell its row and byte
// length on one line and the bytes on the next, then "END".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "workbook.h"

namespace tagwright::panels {

std::string EncodeColumn(const ColumnA& column);
std::optional<ColumnA> DecodeColumn(std::string_view text);

}  // namespace tagwright::panels
