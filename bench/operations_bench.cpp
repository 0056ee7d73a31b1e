// SPDX-License-Identifier: MIT
// Write and Read through the operation controller on the simulated reader: the program's own
// cost per tag, with every reader call going through the library and its state directory.
#include <benchmark/benchmark.h>

#include "sim_rig.h"

namespace {

using namespace tagwright;

void WriteThenRead(benchmark::State& state, const std::string& model, std::size_t textBytes) {
    // A private simulator directory holding one reader with a tag of the given model.
    bench::FreshSimulator(
        {{"tag", "remove", "--reader", "SIM-0001"},
         {"tag", "new", "--model", model, "--layout", "plain", "--reader", "SIM-0001"}});
    if (!bench::BindSimulatedReader()) {
        state.SkipWithError("no reader library");
        return;
    }
    bench::TextPanelRig rig;
    rig.panel.content = std::string(textBytes, 'x');
    for (auto _ : state) {
        if (rig.controller->RunWrite() != panels::RunResult::Succeeded) {
            state.SkipWithError("write failed");
            return;
        }
        rig.last.Clear();
        if (rig.controller->RunRead() != panels::RunResult::Succeeded) {
            state.SkipWithError("read failed");
            return;
        }
        rig.last.Clear();
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
