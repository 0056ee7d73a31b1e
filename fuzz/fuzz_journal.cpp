// SPDX-License-Identifier: MIT
// Whatever a journal file holds, reading it never fails hard; read in pieces of any size it
// yields the same records as read whole; and every record it yields is written back by CsvLine
// into cells that read back the same and that no spreadsheet takes for a formula.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/journal_csv.h"
#include "app/journal_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::app;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t piece = 1 + size % 97;
    std::string problem;
    const auto records = ParseJournal(text, problem);

    std::vector<std::vector<std::string>> pieced;
    JournalParser parser([&](const JournalRecord& record) { pieced.push_back(record.cells()); });
    for (std::size_t at = 0; at < text.size(); at += piece)
        parser.Feed(text.substr(at, piece));
    parser.End();
    if (pieced.size() != records.size()) std::abort();
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (pieced[i] != records[i].cells()) std::abort();
    }

    for (const auto& record : records) {
        const std::vector<std::string>& cells = record.cells();
        const std::string line = CsvLine(cells);
        const auto again = ParseCsv(line);
        if (!again || again->size() != 1 || again->front() != cells) std::abort();
        for (const auto& value : cells) {
            const std::string cell = CsvCell(value);
            const char first = cell.empty()                        ? ' '
                               : cell[0] == '"' && cell.size() > 1 ? cell[1]
                                                                   : cell[0];
            if (first == '=' || first == '+' || first == '-' || first == '@' || first == '\t' ||
                first == '\r') {
                std::abort();
            }
        }
    }
    return 0;
}
