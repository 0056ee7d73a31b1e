// SPDX-License-Identifier: MIT
// Per-tag templates in a text, URL or title: {uid}, {row} and {n} are replaced by the tag's UID,
// the sheet row and the running count, so that every tag of a batch can carry its own message.
// "{{" and "}}" stand for literal braces; a text without a brace is left as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tagwright::panels {

struct TemplateValues {
    std::string uid;         // 14 upper-case hex digits
    std::optional<int> row;  // the sheet row; none when the content is not from a sheet
    std::uint64_t n = 1;     // this tag's place in the run, from 1
};

struct Expansion {
    std::string text;   // the expanded text, when `error` is empty
    std::string error;  // what is wrong with the template, in English
};

// Expands every field; an unknown field, a lone brace or {row} without a row is an error.
Expansion ExpandTemplate(std::string_view text, const TemplateValues& values);

// The error ExpandTemplate would give whatever the tag, or empty: for checking a template before
// any tag is touched. `haveRow` says whether a sheet row will be there.
std::string TemplateError(std::string_view text, bool haveRow);

// The longest text the template can become in a run of `runLength` tags at this row.
std::string LongestExpansion(std::string_view text, std::optional<int> row,
                             std::uint64_t runLength);

}  // namespace tagwright::panels
