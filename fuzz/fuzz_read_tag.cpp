// A whole Read, in each of the three panels, on a simulated tag whose memory the fuzzer chose.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "chip_reader.h"
#include "panels/core/operation_controller.h"
#include "shell/feed/recording_sink.h"

namespace {

using namespace tagwright;

struct QuietPanel : panels::Panel, reader::ErrorBox {
    bool autoOperation() const override { return false; }
    bool encryption() const override { return false; }
    bool lockTag() const override { return false; }
    bool writeFromFile() const override { return false; }
    std::string originalKeyText() const override { return "7C7C7C7C"; }
    std::string newKeyText() const override { return "7C7C7C7C"; }
    std::string contentText() const override { return {}; }
    bool rowAutoIncrement() const override { return false; }
    std::string rowNumberText() const override { return "1"; }
    void SetRowNumberText(const std::string&) override {}
    void SetFilePathText(const std::string&) override {}
    void SetContentText(const std::string&) override {}
    void ShowText(const std::string& t) override { shown += t.size(); }
    void ShowUrl(const std::string& t) override { shown += t.size(); }
    void ShowTitle(const std::string& t) override { shown += t.size(); }
    void SetReadWriteEnabled(bool) override {}
    reader::ErrorBox& errorBox() override { return *this; }
    void ShowError(const std::string&) override {}
    std::size_t shown = 0;
};

struct NoRows : panels::RowSource {
    bool SheetLoaded() const override { return false; }
    bool AdvanceAfterWrite() override { return false; }
};

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

    feed::RecordingSink sink;
    const reader::ReaderApi api = fuzz::ChipReaderApi(chip);
    reader::ListDeviceCombo combo;
    QuietPanel panel;
    reader::DeviceSession devices(api, combo, panel, [](std::chrono::milliseconds) {});
    NoRows rows;
    panels::ManualTimers timers;
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
