#include "workbook.h"

#include <algorithm>
#include <fstream>
#include <vector>

namespace tagwright::panels {
namespace {

std::optional<std::vector<std::uint8_t>> ReadFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > kMaxFileBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(size);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::string ColumnA::Text(std::uint32_t row) const {
    const auto it = cells_.find(row);
    return it == cells_.end() ? std::string() : it->second;
}

std::uint32_t ColumnA::lastTextRow() const {
    std::uint32_t last = 0;
    for (const auto& [row, text] : cells_)
        last = std::max(last, row);
    return last;
}

WorkbookFormat SniffFormat(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kCompoundFile[] = {0xD0, 0xCF, 0x11, 0xE0,
                                                     0xA1, 0xB1, 0x1A, 0xE1};
    static constexpr std::uint8_t kZip[] = {'P', 'K', 0x03, 0x04};
    if (head.size() >= sizeof kCompoundFile &&
        std::equal(std::begin(kCompoundFile), std::end(kCompoundFile), head.begin())) {
        return WorkbookFormat::Xls;
    }
    if (head.size() >= sizeof kZip && std::equal(std::begin(kZip), std::end(kZip), head.begin())) {
        return WorkbookFormat::Xlsx;
    }
    if (head.empty()) return WorkbookFormat::Unknown;
    return WorkbookFormat::Csv;  // the CSV reader refuses what is not UTF-8 text
}

bool Workbook::Load(const std::filesystem::path& path) {
    sheet_.reset();
    const auto bytes = ReadFile(path);
    if (!bytes) return false;
    switch (SniffFormat(*bytes)) {
        case WorkbookFormat::Xls:
            sheet_ = ReadXlsColumnA(path);
            break;
        case WorkbookFormat::Xlsx:
            sheet_ = ReadXlsxColumnA(*bytes);
            break;
        case WorkbookFormat::Csv:
            sheet_ = ReadCsvColumnA(*bytes);
            break;
        case WorkbookFormat::Unknown:
            break;
    }
    return sheet_.has_value();
}

}  // namespace tagwright::panels
