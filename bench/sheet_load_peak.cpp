// SPDX-License-Identifier: MIT
// sheet_load_peak FILE: loads one workbook as "Write from file" does and prints what the load cost:
// wall time, the text cells kept, and the peak resident memory of this process and of the helper
// processes it ran (the .xls reader). Peak memory is a figure for the whole life of a process, so
// each file is measured in a process of its own; bench/measure_sheet_loads.sh runs it per file.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "sheets/workbook.h"

namespace {

double PeakMegabytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: sheet_load_peak FILE\n", stderr);
        return 2;
    }
    const double before = PeakMegabytes(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    tagwright::sheets::Workbook book;
    const bool loaded = book.Load(argv[1]);
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    std::printf(
        "%s\t%s\tcells %zu\twall %.0f ms\tpeak RSS %.1f MB (%.1f MB before the load)\t"
        "helper peak RSS %.1f MB\n",
        argv[1], loaded ? "loaded" : "refused",
        loaded ? book.FirstSheet()->textCells() : std::size_t{0}, wall.count(),
        PeakMegabytes(RUSAGE_SELF), before, PeakMegabytes(RUSAGE_CHILDREN));
    return 0;
}
