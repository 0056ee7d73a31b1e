// SPDX-License-Identifier: MIT
// The reader device session: which readers are attached, which one is chosen, open and close.
//
// It owns the device slot table and the selected device index, through which every tag
// operation reaches the chosen reader. The device combo and the error message box are small
// interfaces, so the session runs the same with widgets, on a console or in tests.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "reader/reader_api.h"

namespace tagwright::reader {

// The device combo of the device bar: entry 0 is the caption, then one entry per reader.
class DeviceCombo {
  public:
    virtual ~DeviceCombo() = default;
    virtual void Clear() = 0;
    virtual void Add(const std::string& text) = 0;
    virtual int Count() const = 0;
    virtual int Selected() const = 0;  // -1 when nothing is selected
    virtual void Select(int index) = 0;
    virtual std::string Text(int index) const = 0;

    std::string SelectedText() const;
    // Selects the first entry whose text begins with `prefix`, ignoring case; returns false,
    // changing nothing, when none does.
    bool SelectByPrefix(const std::string& prefix);
};

// A combo with no window, for consoles and tests.
class ListDeviceCombo : public DeviceCombo {
  public:
    void Clear() override {
        entries_.clear();
        selected_ = -1;
    }
    void Add(const std::string& text) override { entries_.push_back(text); }
    int Count() const override { return static_cast<int>(entries_.size()); }
    int Selected() const override { return selected_; }
    void Select(int index) override { selected_ = index < Count() ? index : -1; }
    std::string Text(int index) const override { return entries_.at(std::size_t(index)); }

  private:
    std::vector<std::string> entries_;
    int selected_ = -1;
};

// The error message box (caption "Error", error icon).
class ErrorBox {
  public:
    virtual ~ErrorBox() = default;
    virtual void ShowError(const std::string& text) = 0;
};

using Sleeper = std::function<void(std::chrono::milliseconds)>;
void SleepFor(std::chrono::milliseconds duration);

struct DeviceSlot {
    std::string serial;  // empty: the slot is free
    std::int32_t handle = -1;
};

inline constexpr int kSlotCount = 20;
inline constexpr std::uint16_t kVendorId = 0x0416;
inline constexpr std::uint16_t kProductId = 0x8020;

class DeviceSession {
  public:
    DeviceSession(const ReaderApi& api, DeviceCombo& combo, ErrorBox& errors,
                  Sleeper sleep = SleepFor);

    void RefreshDeviceList();
    void ResolveSelection();
    void StartupSelection();
    void OnDropDown();
    void OnSelectionChange() { ResolveSelection(); }
    void Open();
    void Close();
    // Before every Read, Write and Clear key: a reader is chosen and open.
    bool ReaderReady(ErrorBox& owner);

    int selectedIndex() const { return selected_; }
    // The chosen reader's handle; -1 when none is chosen.
    std::int32_t selectedHandle() const;
    const DeviceSlot& slot(int index) const { return slots_.at(std::size_t(index)); }
    const ReaderApi& api() const { return api_; }
    // How the session waits between reader calls; the tag operations on it wait the same way.
    const Sleeper& sleeper() const { return sleep_; }

  private:
    void Reconcile(std::vector<std::string> fresh);
    // The Open/Close epilogue for a failed reader call.
    void ReaderError(std::int32_t status, const char* function);

    const ReaderApi& api_;
    DeviceCombo& combo_;
    ErrorBox& errors_;
    Sleeper sleep_;
    std::array<DeviceSlot, kSlotCount> slots_{};
    int selected_ = -1;
};

}  // namespace tagwright::reader
