#include "panel_rig.h"

#include <sstream>

#include "shell/text/text_tables.h"

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
    controller = std::make_unique<panels::OperationController>(
        kind, panel, *devices, rows, timers, last,
        [this](std::chrono::milliseconds d) { pauses.push_back(d); });
    controller->SetRunObserver([this](panels::RunResult r) { results.push_back(r); });
    return *controller;
}

std::string PanelRig::NewTag(const std::string& model, const std::string& layout) {
    if (SimOk({"readers"}).find("SIM-0001 attached tag=-") == std::string::npos) {
        SimOk({"tag", "remove", "--reader", "SIM-0001"});
    }
    return SimOk({"tag", "new", "--model", model, "--layout", layout, "--reader", "SIM-0001"});
}

std::vector<std::string> PanelRig::Texts() const {
    std::vector<std::string> texts;
    for (const auto& line : sink.lines)
        texts.push_back(line.text);
    return texts;
}

int PanelRig::RedLines() const {
    int red = 0;
    for (const auto& line : sink.lines)
        red += line.colour == feed::kRed ? 1 : 0;
    return red;
}

std::vector<std::uint8_t> PanelRig::Pages(const std::string& uid, int first, int count) {
    const auto memory = Memory(uid);
    return {memory.begin() + first * 4, memory.begin() + (first + count) * 4};
}

std::uint64_t PanelRig::CommandCount(const std::string& kind) {
    std::istringstream stats(SimOk({"stats", "--reader", "SIM-0001"}));
    std::string word, name;
    std::uint64_t count = 0;
    while (stats >> word) {
        if (word == "command" && stats >> name >> count && name == kind) return count;
    }
    return 0;
}

}  // namespace tagwright::testing
