// SPDX-License-Identifier: MIT
// The journal dialog's table on a day of 100,000 records: the time until the first rows show,
// and until every record is in, read a piece at a time from the event loop as the window does.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <fstream>

#include "app/journal_csv.h"
#include "app/journal_view.h"
#include "shell/journal_table_model.h"

using namespace tagwright;

namespace {

constexpr int kRecords = 100'000;

// A daily journal holding one day of kRecords written records.
const QTemporaryDir& Journal() {
    static QTemporaryDir dir;
    static const bool written = [] {
        std::ofstream out((dir.path() + "/journal-2026-03-04.csv").toStdString(), std::ios::binary);
        out << app::CsvLine(app::kJournalColumns);
        for (int i = 0; i < kRecords; ++i) {
            out << app::CsvLine({"2026-03-04T10:00:00.000Z", "SIM-0001",
                                 "04A1B2C3D4E5" + std::to_string(10 + i % 90), "NTAG213", "text",
                                 "write", "file", "/home/operator/batches/march.xls",
                                 std::string(64, 'a'), std::to_string(i + 1),
                                 "row " + std::to_string(i + 1), std::string(64, 'b'), "no", "",
                                 "no", "success", "", "0", "38"});
        }
        return true;
    }();
    (void)written;
    return dir;
}

std::unique_ptr<app::JournalView> Day() {
    app::JournalFilter filter;
    filter.day = "2026-03-04";
    return std::make_unique<app::JournalView>(
        app::JournalFile::Daily(Journal().path().toStdString()), filter);
}

void FirstRowsShown(benchmark::State& state) {
    for (auto _ : state) {
        shell::JournalTableModel model;
        model.Show(Day());
        while (model.rowCount() == 0 && model.loading())
            QCoreApplication::processEvents();
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(FirstRowsShown)->Unit(benchmark::kMillisecond);

void EveryRecordLoaded(benchmark::State& state) {
    for (auto _ : state) {
        shell::JournalTableModel model;
        model.Show(Day());
        while (model.loading())
            QCoreApplication::processEvents();
        if (model.rowCount() != kRecords) state.SkipWithError("records missing");
    }
}
BENCHMARK(EveryRecordLoaded)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication qt(argc, argv);
    Journal();  // written before the clock runs
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
