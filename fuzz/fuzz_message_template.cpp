// SPDX-License-Identifier: MIT
// Whatever text an operator types or a sheet holds, the template expander ends in a text or an
// error, never both; a text without braces comes back unchanged; an error does not depend on the
// tag; and "{{" / "}}" always stand for one brace.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "panels/core/message_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::panels;
    if (size < 1) return 0;
    const bool haveRow = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const TemplateValues values{"04A1B2C3D4E5F6",
                                haveRow ? std::optional<int>(65535) : std::nullopt, data[0]};
    const Expansion expanded = ExpandTemplate(text, values);
    if (!expanded.error.empty() && !expanded.text.empty()) std::abort();
    if (text.find_first_of("{}") == std::string_view::npos && expanded.text != text) std::abort();
    if (expanded.error != TemplateError(text, haveRow)) std::abort();
    // Doubling every brace makes any text a template of itself.
    std::string escaped;
    for (const char c : text) {
        escaped += c;
        if (c == '{' || c == '}') escaped += c;
    }
    if (ExpandTemplate(escaped, values).text != text) std::abort();
    if (expanded.error.empty() &&
        LongestExpansion(text, values.row, 1000).size() <
            ExpandTemplate(text, {values.uid, values.row, 1}).text.size()) {
        std::abort();
    }
    return 0;
}
