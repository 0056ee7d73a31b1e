// SPDX-License-Identifier: MIT
#include "sim_rig.h"

#include <cstdlib>
#include <filesystem>

#include "reader/binding.h"
#include "tools/common/shell_words.h"

namespace tagwright::bench {
namespace {

namespace fs = std::filesystem;

}  // namespace

void FreshSimulator(const std::vector<std::vector<std::string>>& commands) {
    const fs::path dir = fs::temp_directory_path() / "tagwright-bench-sim";
    fs::remove_all(dir);
    setenv("CARDHOST_SIM_DIR", dir.c_str(), 1);
    const std::string tool = (reader::ExecutableDirectory() / "cardhost-sim").string();
    for (const auto& words : commands) {
        const std::string line = tools::ShellCommand(tool, words) + " >/dev/null";
        if (std::system(line.c_str()) != 0) std::abort();
    }
}

bool BindSimulatedReader() {
    return reader::ReaderLibraryBound() || reader::BindReaderLibrary();
}

TextPanelRig::TextPanelRig() {
    devices = std::make_unique<reader::DeviceSession>(reader::Reader(), combo, panel,
                                                      [](std::chrono::milliseconds) {});
    devices->StartupSelection();
    devices->Open();
    controller = std::make_unique<panels::OperationController>(panels::PanelKind::Text, panel,
                                                               *devices, rows, timers, last,
                                                               [](std::chrono::milliseconds) {});
}

}  // namespace tagwright::bench
