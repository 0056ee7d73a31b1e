// SPDX-License-Identifier: MIT
// A whole Read, in each of the three panels, on a simulated tag whose memory the fuzzer chose.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "panels/core/operation_controller.h"
#include "panels/core/simple_panel.h"
#include "testing/chip_reader.h"
#include "testing/manual_timers.h"
#include "testing/recording_sink.h"

namespace {

using namespace tagwright;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using cardhost::sim::ChipModel;
    if (size < 1) return 0;
    const auto model = static_cast<ChipModel>(data[0] % 6);
    auto chip = cardhost::sim::NtagChip::FactoryNew(model, {0x04, 1, 2, 3, 4, 5, 6},
                                                    cardhost::sim::Layout::Plain);
    // Everything from the capability container on comes from the fuzzer.
    auto& memory = chip.memory();
    std::copy_n(data + 1, std::min(size - 1, memory.size() - 12), memory.begin() + 12);

    testing::RecordingSink sink;
    const reader::ReaderApi api = testing::ChipReaderApi(chip);
    reader::ListDeviceCombo combo;
    panels::SimplePanel panel;
    reader::DeviceSession devices(api, combo, panel, [](std::chrono::milliseconds) {});
    panels::NoSheet rows;
    testing::ManualTimers timers;
    tag::LastProcessedUid last;
    for (auto kind :
         {panels::PanelKind::Text, panels::PanelKind::Url, panels::PanelKind::SmartPoster}) {
        panels::OperationController controller(kind, panel, devices, rows, timers, last,
                                               [](std::chrono::milliseconds) {});
        last.Clear();
        controller.RunRead();
        // Every run ends with one red line at most.
        int red = 0;
        for (const auto& line : sink.lines)
            red += line.colour == feed::kRed ? 1 : 0;
        if (red > 1) __builtin_trap();
    }
    return 0;
}
