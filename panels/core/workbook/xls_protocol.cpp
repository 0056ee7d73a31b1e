#include "xls_protocol.h"

#include <charconv>

namespace tagwright::panels {
namespace {

constexpr std::string_view kHeader = "TWXLS 1\n";
constexpr std::string_view kEnd = "END\n";

bool ReadNumber(std::string_view& text, char terminator, std::uint64_t& value) {
    const auto end = text.find(terminator);
    if (end == std::string_view::npos || end == 0) return false;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + end, value);
    if (error != std::errc() || ptr != text.data() + end) return false;
    text.remove_prefix(end + 1);
    return true;
}

}  // namespace

std::string EncodeColumn(const ColumnA& column) {
    std::string out(kHeader);
    for (const auto& [row, text] : column.cells()) {
        out += std::to_string(row) + ' ' + std::to_string(text.size()) + '\n';
        out += text;
        out += '\n';
    }
    out += kEnd;
    return out;
}

std::optional<ColumnA> DecodeColumn(std::string_view text) {
    if (!text.starts_with(kHeader)) return std::nullopt;
    text.remove_prefix(kHeader.size());
    ColumnA column;
    while (!text.starts_with(kEnd)) {
        std::uint64_t row = 0, length = 0;
        if (!ReadNumber(text, ' ', row) || !ReadNumber(text, '\n', length)) return std::nullopt;
        if (row >= kMaxRows || length + 1 > text.size() || text[length] != '\n') {
            return std::nullopt;
        }
        column.Set(static_cast<std::uint32_t>(row), std::string(text.substr(0, length)));
        text.remove_prefix(length + 1);
    }
    return text.size() == kEnd.size() ? std::optional<ColumnA>(std::move(column)) : std::nullopt;
}

}  // namespace tagwright::panels
