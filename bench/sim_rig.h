// SPDX-License-Identifier: MIT
// What the simulator benchmarks share: a private state directory prepared with the control tool,
// and a Text panel's operation controller on the device session of its first reader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "panels/core/operation_controller.h"
#include "panels/core/simple_panel.h"
#include "reader/device_session.h"
#include "testing/manual_timers.h"
#include "testing/recording_sink.h"

namespace tagwright::bench {

// Starts a fresh simulator directory and runs `cardhost-sim` once per word list (each word is
// quoted for the shell). Aborts when a command fails: the figures would mean nothing.
void FreshSimulator(const std::vector<std::vector<std::string>>& commands);

// A Text panel wired to the first reader, opened as Open device does. Needs the reader library
// bound (BindSimulatedReader) and the simulator prepared.
struct TextPanelRig {
    TextPanelRig();

    testing::RecordingSink sink;
    panels::SimplePanel panel;
    reader::ListDeviceCombo combo;
    std::unique_ptr<reader::DeviceSession> devices;
    panels::NoSheet rows;
    testing::ManualTimers timers;
    tag::LastProcessedUid last;
    std::unique_ptr<panels::OperationController> controller;
};

// Binds the reader library beside the benchmark; false when it cannot be loaded.
bool BindSimulatedReader();

}  // namespace tagwright::bench
