// Write and Read through the operation controller on the simulated reader: the program's own
// cost per tag, with every reader call going through the library and its state directory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "log/recording_sink.h"
#include "panels/core/operation_controller.h"
#include "panels/core/simple_panel.h"
#include "reader/binding.h"

namespace {

using namespace tagwright;
namespace fs = std::filesystem;

// A private simulator directory holding one reader with a tag of the given model.
void FreshSimulator(const std::string& model) {
    const fs::path dir = fs::temp_directory_path() / "tagwright-bench-sim";
    fs::remove_all(dir);
    setenv("CARDHOST_SIM_DIR", dir.c_str(), 1);
    const std::string tool = (reader::ExecutableDirectory() / "cardhost-sim").string();
    const std::string command = "'" + tool + "' tag remove --reader SIM-0001 >/dev/null && '" +
                                tool + "' tag new --model " + model +
                                " --layout plain --reader SIM-0001 >/dev/null";
    if (std::system(command.c_str()) != 0) std::abort();
}

void WriteThenRead(benchmark::State& state, const std::string& model, std::size_t textBytes) {
    FreshSimulator(model);
    if (!reader::ReaderLibraryBound() && !reader::BindReaderLibrary()) {
        state.SkipWithError("no reader library");
        return;
    }
    feed::RecordingSink sink;
    panels::SimplePanel panel;
    panel.content = std::string(textBytes, 'x');
    reader::ListDeviceCombo combo;
    reader::DeviceSession devices(reader::Reader(), combo, panel, [](std::chrono::milliseconds) {});
    devices.StartupSelection();
    devices.Open();
    panels::NoSheet rows;
    panels::ManualTimers timers;
    tag::LastProcessedUid last;
    panels::OperationController controller(panels::PanelKind::Text, panel, devices, rows, timers,
                                           last, [](std::chrono::milliseconds) {});
    for (auto _ : state) {
        if (controller.RunWrite() != panels::RunResult::Succeeded) {
            state.SkipWithError("write failed");
            return;
        }
        last.Clear();
        if (controller.RunRead() != panels::RunResult::Succeeded) {
            state.SkipWithError("read failed");
            return;
        }
        last.Clear();
    }
    state.SetLabel(model + ", " + std::to_string(textBytes) + " text bytes");
}

BENCHMARK_CAPTURE(WriteThenRead, ntag213_full, std::string("NTAG213"), 134)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteThenRead, ntag216_full, std::string("NTAG216"), 857)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WriteThenRead, short_text, std::string("NTAG213"), 10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
