// SPDX-License-Identifier: MIT
// How much a workbook load may read and keep. Only column A of the first sheet is kept, so a
// legitimate batch stays far below every limit; a file that would pass one fails to load.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tagwright::sheets {

// Beyond the largest sheet a spreadsheet program writes.
inline constexpr std::uint32_t kMaxRows = 1048576;
// Files larger than this are refused unread.
inline constexpr std::uintmax_t kMaxFileBytes = 256u * 1024 * 1024;

struct SheetLimits {
    // One cell's text as UTF-8. Excel holds at most 32,767 UTF-16 characters in a cell, at most
    // 98,301 bytes of UTF-8; the largest tag takes under 900.
    std::size_t cellBytes = 128 * 1024;
    // All the text column A keeps: 65,536 rows of 256 bytes, or a million rows of 16.
    std::size_t textBytes = 16 * 1024 * 1024;
    // Decompressed XML read from one .xlsx archive, all parts together: a million rows of
    // column A with their shared strings take under 80 MiB.
    std::uint64_t xmlBytes = 128u * 1024 * 1024;
    // Shared strings of an .xlsx or .xls: a column A cell may name no string past this many.
    std::uint32_t sharedStrings = 4 * 1024 * 1024;
};

inline constexpr SheetLimits kSheetLimits{};

}  // namespace tagwright::sheets
