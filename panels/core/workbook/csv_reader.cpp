// .csv files: UTF-8 text, RFC 4180 quoting; column A is the first field of each record.
#include "workbook.h"

namespace tagwright::panels {
namespace {

// Well-formed UTF-8 (no overlong forms, no surrogates) and no NUL: otherwise it is not a text
// file, let alone a CSV.
bool IsUtf8Text(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t b = bytes[i];
        if (b == 0) return false;
        std::size_t extra = 0;
        std::uint32_t min = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= bytes.size()) return false;  // cut short
        std::uint32_t code = b & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            code = code << 6 | (bytes[i + k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::optional<ColumnA> ReadCsvColumnA(std::span<const std::uint8_t> file) {
    if (file.size() >= 3 && file[0] == 0xEF && file[1] == 0xBB && file[2] == 0xBF) {
        file = file.subspan(3);  // byte order mark
    }
    if (!IsUtf8Text(file)) return std::nullopt;
    ColumnA column;
    std::uint32_t row = 0;
    std::size_t i = 0;
    while (i < file.size() && row < kMaxRows) {
        // The first field of the record.
        std::string field;
        if (file[i] == '"') {
            ++i;
            for (;;) {
                if (i >= file.size()) return std::nullopt;  // unterminated quote
                if (file[i] == '"') {
                    if (i + 1 < file.size() && file[i + 1] == '"') {
                        field.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.push_back(static_cast<char>(file[i++]));
            }
        } else {
            while (i < file.size() && file[i] != ',' && file[i] != '\n' && file[i] != '\r') {
                field.push_back(static_cast<char>(file[i++]));
            }
        }
        if (!field.empty()) column.Set(row, std::move(field));
        // The rest of the record, quoted fields with line breaks included.
        bool quoted = false;
        while (i < file.size()) {
            const std::uint8_t c = file[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == '\n' || c == '\r')) {
                break;
            }
            ++i;
        }
        if (quoted) return std::nullopt;
        if (i < file.size() && file[i] == '\r') ++i;
        if (i < file.size() && file[i] == '\n') ++i;
        ++row;
    }
    return column;
}

}  // namespace tagwright::panels
