// SPDX-License-Identifier: MIT
#include "message_template.h"

namespace tagwright::panels {
namespace {

constexpr std::string_view kExampleUid = "04000000000000";

}  // namespace

Expansion ExpandTemplate(std::string_view text, const TemplateValues& values) {
    Expansion out;
    if (text.find_first_of("{}") == std::string_view::npos) {
        out.text = text;
        return out;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool doubled = i + 1 < text.size() && text[i + 1] == c;
        if (c == '}') {
            if (!doubled) return {{}, "a '}' without its '{' (write }} for a brace)"};
            out.text += '}';
            ++i;
            continue;
        }
        if (c != '{') {
            out.text += c;
            continue;
        }
        if (doubled) {
            out.text += '{';
            ++i;
            continue;
        }
        const std::size_t close = text.find('}', i);
        if (close == std::string_view::npos) {
            return {{}, "a '{' without its '}' (write {{ for a brace)"};
        }
        const std::string_view field = text.substr(i + 1, close - i - 1);
        if (field == "uid") {
            out.text += values.uid;
        } else if (field == "n") {
            out.text += std::to_string(values.n);
        } else if (field == "row") {
            if (!values.row) return {{}, "{row} needs the content from a sheet"};
            out.text += std::to_string(*values.row);
        } else {
            return {{}, "unknown field {" + std::string(field) + "} (use {uid}, {row} or {n})"};
        }
        i = close;
    }
    return out;
}

std::string TemplateError(std::string_view text, bool haveRow) {
    const TemplateValues example{std::string(kExampleUid),
                                 haveRow ? std::optional<int>(1) : std::nullopt, 1};
    return ExpandTemplate(text, example).error;
}

std::string LongestExpansion(std::string_view text, std::optional<int> row,
                             std::uint64_t runLength) {
    const TemplateValues longest{std::string(kExampleUid), row, runLength < 1 ? 1 : runLength};
    return ExpandTemplate(text, longest).text;
}

}  // namespace tagwright::panels
