// SPDX-License-Identifier: MIT
#include "workbook.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "csv_reader.h"

namespace tagwright::sheets {
namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;

}  // namespace

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

std::string_view LoadRefusalText(LoadRefusal refusal) {
    switch (refusal) {
        case LoadRefusal::TooManyRows:
            return "the sheet has rows past row 1048576, the last a sheet can have";
        case LoadRefusal::Unreadable:
            break;
    }
    return "not a workbook that can be read";
}

// The file is read in pieces: only column A is ever held, however large the file.
std::optional<ColumnA> ReadCsvColumnA(const std::filesystem::path& path, const SheetLimits& limits,
                                      LoadRefusal* refusal) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    CsvColumnReader reader(limits);
    const auto refused = [&] {
        if (refusal != nullptr && reader.pastLastRow()) *refusal = LoadRefusal::TooManyRows;
        return std::nullopt;
    };
    std::array<std::uint8_t, kReadChunkBytes> chunk;
    while (in) {
        in.read(reinterpret_cast<char*>(chunk.data()), chunk.size());
        const auto got = static_cast<std::size_t>(in.gcount());
        if (!reader.Feed(std::span(chunk.data(), got))) return refused();
    }
    if (in.bad()) return std::nullopt;
    auto column = reader.Finish();
    if (!column) return refused();
    return column;
}

bool Workbook::Load(const std::filesystem::path& path, const SheetLimits& limits) {
    sheet_.reset();
    refusal_ = LoadRefusal::Unreadable;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > kMaxFileBytes) return false;
    std::array<std::uint8_t, 8> head{};
    std::size_t headBytes = 0;
    {
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char*>(head.data()), head.size());
        if (in.bad() || in.gcount() <= 0) return false;
        headBytes = static_cast<std::size_t>(in.gcount());
    }
    switch (SniffFormat(std::span(head.data(), headBytes))) {
        case WorkbookFormat::Xls:
            sheet_ = ReadXlsColumnA(path, limits);
            break;
        case WorkbookFormat::Xlsx:
            sheet_ = ReadXlsxColumnA(path, limits, &refusal_);
            break;
        case WorkbookFormat::Csv:
            sheet_ = ReadCsvColumnA(path, limits, &refusal_);
            break;
        case WorkbookFormat::Unknown:
            break;
    }
    return sheet_.has_value();
}

}  // namespace tagwright::sheets
