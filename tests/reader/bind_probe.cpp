// SPDX-License-Identifier: MIT
// Binds the reader library as the program does and says whether that worked, and whether the
// library can report on its readers.
#include <cstdio>
#include <string>

#include "reader/binding.h"
#include "reader/reader_report.h"

int main() {
    const bool bound = tagwright::reader::BindReaderLibrary();
    std::puts(bound ? "bound" : "refused");
    if (bound) {
        // Readers listed with everything asked for, and with the problems alone.
        using tagwright::reader::AskReaderReport;
        const auto all = AskReaderReport(CARDHOST_REPORT_READERS | CARDHOST_REPORT_PROBLEMS);
        const auto problems = AskReaderReport(CARDHOST_REPORT_PROBLEMS);
        std::printf("report: %s\n", all ? std::to_string(all->readers.size()).c_str() : "none");
        if (problems) std::printf("problems only: %zu\n", problems->readers.size());
    }
    tagwright::reader::UnbindReaderLibrary();
    return bound ? 0 : 1;
}
