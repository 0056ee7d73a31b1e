// SPDX-License-Identifier: MIT
// A function panel without widgets, wired to the simulated reader: the device session opened,
// an operation controller per panel kind, hand-driven timers and a recording log.
#pragma once

#include <deque>

#include "panels/core/operation_controller.h"
#include "panels/core/simple_panel.h"
#include "sim_env.h"
#include "testing/manual_timers.h"
#include "testing/recording_sink.h"

namespace tagwright::testing {

using FakePanel = panels::SimplePanel;

// Rows that fill the panel's content one after another; past the last one loading fails.
struct FakeRows : panels::RowSource {
    explicit FakeRows(FakePanel& p) : panel(p) {}
    bool SheetLoaded() const override { return loaded; }
    bool CurrentRowReady() override {
        if (!ready) feed::AppendLog(0, "Unrecognizable character types !", feed::kRed);
        return ready;
    }
    bool AdvanceAfterWrite() override {
        panel.content.clear();
        ready = !rows.empty();
        if (!ready) {
            feed::AppendLog(0, "Unrecognizable character types !", feed::kRed);
            return false;
        }
        panel.content = rows.front();
        rows.pop_front();
        return true;
    }
    bool RowsRanOut() const override { return rows.empty(); }
    FakePanel& panel;
    bool loaded = true, ready = true;
    std::deque<std::string> rows;
};

class PanelRig : public SimEnvironment {
  protected:
    void SetUp() override;
    void TearDown() override;

    panels::OperationController& Controller(panels::PanelKind kind);
    // The same over another row source (a real sheet).
    panels::OperationController& Controller(panels::PanelKind kind, panels::RowSource& source);
    // A new tag in the field of SIM-0001 (whatever lay there is taken away).
    std::string NewTag(const std::string& model, const std::string& layout = "plain");
    std::vector<std::string> Texts() const;
    // The red lines but the warning that a tag is not genuine NXP.
    int RedLines() const;
    // Whether a line of the log reads so.
    bool Logged(const std::string& text) const;
    std::vector<std::uint8_t> Pages(const std::string& uid, int first, int count);
    std::uint64_t CommandCount(const std::string& kind);

    testing::RecordingSink sink;
    reader::ListDeviceCombo combo;
    FakePanel panel;
    FakeRows rows{panel};
    testing::ManualTimers timers;
    tag::LastProcessedUid last;
    std::vector<std::chrono::milliseconds> pauses;
    std::unique_ptr<reader::DeviceSession> devices;
    std::unique_ptr<panels::OperationController> controller;
    std::vector<panels::RunResult> results;
};

}  // namespace tagwright::testing
