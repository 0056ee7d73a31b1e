// SPDX-License-Identifier: MIT
// Whatever a journal file holds, reading it never fails hard, and every record it yields is
// written back by CsvLine into cells that read back the same and that no spreadsheet takes for a
// formula.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/journal_csv.h"
#include "app/journal_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::app;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const auto records = ParseJournal(text, problem);
    for (const auto& record : records) {
        std::vector<std::string> cells;
        for (const auto& [column, value] : record.cells()) cells.push_back(value);
        const std::string line = CsvLine(cells);
        const auto again = ParseCsv(line);
        if (!again || again->size() != 1 || again->front() != cells) std::abort();
        for (const auto& value : cells) {
            const std::string cell = CsvCell(value);
            const char first = cell.empty() ? ' ' : cell[0] == '"' && cell.size() > 1 ? cell[1]
                                                                                     : cell[0];
            if (first == '=' || first == '+' || first == '-' || first == '@' || first == '\t' ||
                first == '\r') {
                std::abort();
            }
        }
    }
    return 0;
}
