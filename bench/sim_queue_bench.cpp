// SPDX-License-Identifier: MIT
// The cost of one conveyed tag while many more wait in the simulator's queue: a Write of a short
// Text through the operation controller, the tag arriving from the conveyor and leaving on the
// success beep. A reader call should cost the same whatever the queue's length.
#include <benchmark/benchmark.h>

#include "sim_rig.h"

namespace {

using namespace tagwright;

// Each run writes this many tags, so that the queue stays about as long as it was made.
constexpr benchmark::IterationCount kConveyedTags = 200;

void WriteConveyedTag(benchmark::State& state) {
    const auto queued = std::to_string(state.range(0));
    bench::FreshSimulator({{"tag", "remove", "--reader", "SIM-0001"},
                           {"queue", "--reader", "SIM-0001", "--count", queued, "--layout", "plain",
                            "--gap-polls", "0"}});
    if (!bench::BindSimulatedReader()) {
        state.SkipWithError("no reader library");
        return;
    }
    bench::TextPanelRig rig;
    rig.panel.content = "conveyed";
    for (auto _ : state) {
        if (rig.controller->RunWrite() != panels::RunResult::Succeeded) {
            state.SkipWithError("write failed");
            return;
        }
    }
    state.SetLabel(queued + " tags queued");
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(WriteConveyedTag)
    ->Arg(1000)
    ->Arg(100000)
    ->Iterations(kConveyedTags)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
