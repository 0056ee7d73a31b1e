// A function panel without widgets, wired to the simulated reader: the device session opened,
// an operation controller per panel kind, hand-driven timers and a recording log.
#pragma once

#include <deque>

#include "panels/core/operation_controller.h"
#include "shell/feed/recording_sink.h"
#include "sim_env.h"

namespace tagwright::testing {

struct FakePanel : panels::Panel, reader::ErrorBox {
    bool autoOp = false, encrypt = false, lock = false, fromFile = false;
    std::string originalKey = "7C7C7C7C", newKey = "7C7C7C7C";
    std::string content, title;
    int prefix = 0;
    bool rowAuto = true;
    std::string rowNumber = "1", filePath;
    bool readWriteEnabled = true;
    std::vector<std::string> errorBoxes;
    // What reads showed.
    std::optional<std::string> shownText, shownUrl, shownTitle;
    std::optional<int> shownPrefix;

    bool autoOperation() const override { return autoOp; }
    bool encryption() const override { return encrypt; }
    bool lockTag() const override { return lock; }
    bool writeFromFile() const override { return fromFile; }
    std::string originalKeyText() const override { return originalKey; }
    std::string newKeyText() const override { return newKey; }
    bool rowAutoIncrement() const override { return rowAuto; }
    std::string rowNumberText() const override { return rowNumber; }
    void SetRowNumberText(const std::string& text) override { rowNumber = text; }
    void SetFilePathText(const std::string& path) override { filePath = path; }
    void SetContentText(const std::string& text) override { content = text; }
    std::string contentText() const override { return content; }
    int prefixCode() const override { return prefix; }
    std::string titleText() const override { return title; }
    void ShowText(const std::string& text) override { shownText = text; }
    void ShowPrefix(int code) override { shownPrefix = code; }
    void ShowUrl(const std::string& url) override { shownUrl = url; }
    void ShowTitle(const std::string& t) override { shownTitle = t; }
    void SetReadWriteEnabled(bool enabled) override { readWriteEnabled = enabled; }
    reader::ErrorBox& errorBox() override { return *this; }
    void ShowError(const std::string& text) override { errorBoxes.push_back(text); }
};

// Rows that fill the panel's content one after another; past the last one loading fails.
struct FakeRows : panels::RowSource {
    explicit FakeRows(FakePanel& p) : panel(p) {}
    bool SheetLoaded() const override { return loaded; }
    bool AdvanceAfterWrite() override {
        panel.content.clear();
        if (rows.empty()) {
            feed::AppendLog(0, "Unrecognizable character types !", feed::kRed);
            return false;
        }
        panel.content = rows.front();
        rows.pop_front();
        return true;
    }
    FakePanel& panel;
    bool loaded = true;
    std::deque<std::string> rows;
};

class PanelRig : public SimEnvironment {
  protected:
    void SetUp() override;
    void TearDown() override;

    panels::OperationController& Controller(panels::PanelKind kind);
    // A new tag in the field of SIM-0001 (whatever lay there is taken away).
    std::string NewTag(const std::string& model, const std::string& layout = "plain");
    std::vector<std::string> Texts() const;
    int RedLines() const;
    std::vector<std::uint8_t> Pages(const std::string& uid, int first, int count);
    std::uint64_t CommandCount(const std::string& kind);

    feed::RecordingSink sink;
    reader::ListDeviceCombo combo;
    FakePanel panel;
    FakeRows rows{panel};
    panels::ManualTimers timers;
    tag::LastProcessedUid last;
    std::vector<std::chrono::milliseconds> pauses;
    std::unique_ptr<reader::DeviceSession> devices;
    std::unique_ptr<panels::OperationController> controller;
    std::vector<panels::RunResult> results;
};

}  // namespace tagwright::testing
