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
        const auto report = tagwright::reader::AskReaderReport();
        std::printf("report: %s\n",
                    report ? std::to_string(report->readers.size()).c_str() : "none");
    }
    tagwright::reader::UnbindReaderLibrary();
    return bound ? 0 : 1;
}
