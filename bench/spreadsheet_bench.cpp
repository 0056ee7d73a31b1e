// SPDX-License-Identifier: MIT
// Loading a 65,536-row workbook in each format and reading every row of column A.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "sheets/workbook.h"

namespace {

namespace fs = std::filesystem;

// The large workbooks are written once by the fixture script (xlwt, openpyxl).
fs::path LargeWorkbook(const std::string& extension) {
    static const fs::path folder = fs::temp_directory_path() / "tagwright-bench-sheets";
    static const bool made = [] {
        if (fs::exists(folder / "large.csv")) return true;
        const std::string command =
            "/usr/bin/python3 '" TAGWRIGHT_FIXTURE_SCRIPT "' --large '" + folder.string() + "'";
        return std::system(command.c_str()) == 0;
    }();
    if (!made) std::abort();
    return folder / ("large." + extension);
}

void LoadAndReadEveryRow(benchmark::State& state, const std::string& extension) {
    const fs::path path = LargeWorkbook(extension);
    std::size_t bytes = 0;
    for (auto _ : state) {
        tagwright::sheets::Workbook book;
        if (!book.Load(path)) {
            state.SkipWithError("load failed");
            return;
        }
        const auto& sheet = *book.FirstSheet();
        for (std::uint32_t row = 0; row < 65536; ++row)
            bytes += sheet.Text(row).size();
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(state.iterations() * 65536);
}

void ReadOneRowAfterLoad(benchmark::State& state, const std::string& extension) {
    tagwright::sheets::Workbook book;
    if (!book.Load(LargeWorkbook(extension))) {
        state.SkipWithError("load failed");
        return;
    }
    const auto& sheet = *book.FirstSheet();
    std::uint32_t row = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sheet.Text(row));
        row = (row + 7919) % 65536;
    }
}

BENCHMARK_CAPTURE(LoadAndReadEveryRow, xls, std::string("xls"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndReadEveryRow, xlsx, std::string("xlsx"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndReadEveryRow, csv, std::string("csv"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadOneRowAfterLoad, xls, std::string("xls"));
BENCHMARK_CAPTURE(ReadOneRowAfterLoad, xlsx, std::string("xlsx"));
BENCHMARK_CAPTURE(ReadOneRowAfterLoad, csv, std::string("csv"));

}  // namespace

BENCHMARK_MAIN();
