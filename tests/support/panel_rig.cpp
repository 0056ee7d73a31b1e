// SPDX-License-Identifier: MIT
#include "panel_rig.h"

#include <algorithm>

#include "text/text_tables.h"

namespace tagwright::testing {

void PanelRig::SetUp() {
    SimEnvironment::SetUp();
    text::SetUiLanguage(text::Language::English);
    devices = std::make_unique<reader::DeviceSession>(
        api(), combo, panel, [this](std::chrono::milliseconds d) { pauses.push_back(d); });
    devices->StartupSelection();
    devices->Open();
    ASSERT_EQ(sink.status, "Open device successfully !");
    pauses.clear();
}

void PanelRig::TearDown() {
    controller.reset();
    text::SetUiLanguage(text::Language::Chinese);
    SimEnvironment::TearDown();
}

panels::OperationController& PanelRig::Controller(panels::PanelKind kind) {
    return Controller(kind, rows);
}

panels::OperationController& PanelRig::Controller(panels::PanelKind kind,
                                                  panels::RowSource& source) {
    controller = std::make_unique<panels::OperationController>(
        kind, panel, *devices, source, timers, last,
        [this](std::chrono::milliseconds d) { pauses.push_back(d); });
    controller->SetRunObserver([this](panels::RunResult r) { results.push_back(r); });
    return *controller;
}

std::string PanelRig::NewTag(const std::string& model, const std::string& layout) {
    EmptyTheField();
    return SimOk({"tag", "new", "--model", model, "--layout", layout, "--reader", "SIM-0001"});
}

std::vector<std::string> PanelRig::Texts() const {
    return sink.Texts();
}

bool PanelRig::Logged(const std::string& text) const {
    const auto texts = Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

int PanelRig::RedLines() const {
    // A simulated tag is never genuine: the warning every Read ends with is not a failure.
    const std::string notGenuine(text::Tr(text::Table::Message, text::msg::kNotGenuine));
    int red = 0;
    for (const auto& line : sink.lines)
        red += line.colour == feed::kRed && line.text != notGenuine ? 1 : 0;
    return red;
}

std::vector<std::uint8_t> PanelRig::Pages(const std::string& uid, int first, int count) {
    const auto memory = Memory(uid);
    return {memory.begin() + first * 4, memory.begin() + (first + count) * 4};
}

std::uint64_t PanelRig::CommandCount(const std::string& kind) {
    const auto counts = CommandCounts();
    const auto it = counts.find(kind);
    return it == counts.end() ? 0 : it->second;
}

}  // namespace tagwright::testing
