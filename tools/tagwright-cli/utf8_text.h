// SPDX-License-Identifier: MIT
// Text that may come from a tag or a terminal in any bytes, made safe for JSON and for a
// terminal without losing a byte.
#pragma once

#include <string>
#include <string_view>

namespace tagwright::cli {

bool IsValidUtf8(std::string_view bytes);

// The text with every byte that is not part of a well-formed UTF-8 sequence replaced by U+FFFD.
std::string ReplaceInvalidUtf8(std::string_view bytes);

// Upper-case hexadecimal digits, two a byte.
std::string HexBytes(std::string_view bytes);

// For a plain line on a terminal or in a file: control bytes and bytes that are not UTF-8 as
// \xNN (\n, \r and \t by their usual names), so that every byte shows and none acts.
std::string EscapeForTerminal(std::string_view bytes);

}  // namespace tagwright::cli
