// SPDX-License-Identifier: MIT
// The application as every command that reaches a reader starts it: the panel and language the
// command line names (nothing is remembered), the reader library loaded, the device list
// attached; and the explanations that a reader's bare status cannot give.
#pragma once

#include <cstdint>
#include <string>

#include "app/application.h"
#include "cli_options.h"
#include "console_output.h"
#include "console_panel.h"
#include "reader/device_session.h"
#include "reader/reader_report.h"

namespace tagwright::cli {

class CliSession {
  public:
    CliSession(const CliOptions& o, ConsoleOutput& out);

    // Loads the reader library and attaches the device list; false, said, when it will not load.
    bool Start();

    app::Application& application() { return application_; }
    reader::DeviceSession& devices() { return *devices_; }
    reader::ListDeviceCombo& combo() { return combo_; }
    ConsoleErrors& errors() { return errors_; }
    // What the reader library tells about its readers now, of these parts (nothing from a
    // library without the diagnostics entry point).
    reader::ReaderReport report(std::uint32_t parts);

    // The message boxes shown since the last call, as error lines.
    void ReportErrors();
    // A reader's status can only say that the simulator's storage is unusable (0x08): this names
    // the file and the cause (damage, a full disk, a folder that cannot be written). Whether
    // there was one to name.
    bool ExplainSimulatorState();
    // With no reader to show, a damaged simulator directory or a stopped service is the likely
    // cause: names it. Whether there was one to name.
    bool ExplainMissingReaders();

  private:
    bool Explain(const std::string& text);

    ConsoleOutput& out_;
    app::FixedPanelStore panelSetting_;
    app::FixedLanguageStore languageSetting_;
    ConsoleErrors errors_;
    reader::ListDeviceCombo combo_;
    app::Application application_;
    reader::DeviceSession* devices_ = nullptr;
};

}  // namespace tagwright::cli
