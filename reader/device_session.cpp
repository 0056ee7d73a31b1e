// SPDX-License-Identifier: MIT
#include "device_session.h"

#include <thread>

#include "log/log_feed.h"
#include "text/text_tables.h"

namespace tagwright::reader {
namespace {

using text::Table;

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    }
    return true;
}

void AskForADevice(ErrorBox& box) {
    box.ShowError(std::string(text::Tr(Table::DeviceMessage, text::device::kPleaseSelectDevice)));
}

constexpr std::uint32_t kSerialBufferSize = 256;
constexpr std::uint8_t kFieldOn = 1;
constexpr std::uint8_t kTypeA = 0x41;
constexpr std::uint8_t kLightSignal = 2;
constexpr std::uint8_t kLightRest = 1;
constexpr std::uint8_t kOpenBeep = 20;
constexpr std::chrono::milliseconds kOpenBeepPause{220};

}  // namespace

std::string DeviceCombo::SelectedText() const {
    const int index = Selected();
    return index < 0 ? std::string() : Text(index);
}

bool DeviceCombo::SelectByPrefix(const std::string& prefix) {
    for (int i = 0; i < Count(); ++i) {
        if (StartsWithIgnoringCase(Text(i), prefix)) {
            Select(i);
            return true;
        }
    }
    return false;
}

void SleepFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

DeviceSession::DeviceSession(const ReaderApi& api, DeviceCombo& combo, ErrorBox& errors,
                             Sleeper sleep)
    : api_(api), combo_(combo), errors_(errors), sleep_(std::move(sleep)) {}

std::int32_t DeviceSession::selectedHandle() const {
    return selected_ < 0 ? -1 : slots_[std::size_t(selected_)].handle;
}

void DeviceSession::RefreshDeviceList() {
    combo_.Clear();
    combo_.Add(std::string(text::Tr(Table::DeviceBar, text::bar::kSelect)));
    std::vector<std::string> fresh;
    std::uint32_t count = 0;
    if (api_.Sys_GetDeviceNum(kVendorId, kProductId, &count) == 0 && count > 0) {
        for (std::uint32_t i = 0; i < count && i < kSlotCount; ++i) {
            char buffer[kSerialBufferSize] = {};
            if (api_.Sys_GetHidSerialNumberStr(i, kVendorId, kProductId, buffer,
                                               kSerialBufferSize) != 0) {
                break;
            }
            buffer[kSerialBufferSize - 1] = '\0';  // a misbehaving library cannot overrun us
            combo_.Add(buffer);
            fresh.emplace_back(buffer);
        }
    }
    Reconcile(std::move(fresh));
}

void DeviceSession::Reconcile(std::vector<std::string> fresh) {
    // Blank marks a list entry whose reader already has its slot.
    std::vector<bool> placed(fresh.size(), false);
    for (DeviceSlot& slot : slots_) {
        if (slot.serial.empty()) continue;
        bool found = false;
        for (std::size_t i = 0; i < fresh.size(); ++i) {
            if (!placed[i] && fresh[i] == slot.serial) {
                placed[i] = true;
                found = true;
                break;
            }
        }
        if (!found) {  // the reader has gone
            slot.serial.clear();
            api_.Sys_Close(&slot.handle);
        }
    }
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        if (placed[i] || fresh[i].empty()) continue;
        for (DeviceSlot& slot : slots_) {
            if (slot.serial.empty()) {
                slot.serial = fresh[i];
                break;
            }
        }
    }
}

void DeviceSession::ResolveSelection() {
    selected_ = -1;
    const int entry = combo_.Selected();
    if (entry <= 0) return;
    const std::string chosen = combo_.Text(entry);
    for (int i = 0; i < kSlotCount; ++i) {
        if (!slots_[std::size_t(i)].serial.empty() && slots_[std::size_t(i)].serial == chosen) {
            selected_ = i;
            return;
        }
    }
}

void DeviceSession::StartupSelection() {
    RefreshDeviceList();
    if (combo_.Count() > 1) {
        combo_.Select(1);
        ResolveSelection();
    } else {
        combo_.Select(0);
        selected_ = -1;
    }
}

void DeviceSession::OnDropDown() {
    const std::string remembered = combo_.SelectedText();
    RefreshDeviceList();
    if (!combo_.SelectByPrefix(remembered)) combo_.Select(0);
    ResolveSelection();
}

void DeviceSession::ReaderError(std::int32_t status, const char* function) {
    feed::ShowCallError(status, function);
}

void DeviceSession::Open() {
    const std::string remembered = combo_.SelectedText();
    RefreshDeviceList();
    if (!combo_.SelectByPrefix(remembered)) combo_.Select(combo_.Count() > 1 ? 1 : 0);
    const int position = combo_.Selected();
    ResolveSelection();
    if (selected_ < 0) {
        return AskForADevice(errors_);
    }
    feed::ClearLog();
    DeviceSlot& slot = slots_[std::size_t(selected_)];
    if (slot.handle != -1) {
        if (const auto status = api_.Sys_Close(&slot.handle); status != 0) {
            return ReaderError(status, "Sys_Close");
        }
    }
    if (const auto status =
            api_.Sys_Open(&slot.handle, std::uint32_t(position - 1), kVendorId, kProductId);
        status != 0) {
        return ReaderError(status, "Sys_Open");
    }
    if (const auto status = api_.Sys_SetAntenna(slot.handle, kFieldOn); status != 0) {
        return ReaderError(status, "Sys_SetAntenna");
    }
    if (const auto status = api_.Sys_InitType(slot.handle, kTypeA); status != 0) {
        return ReaderError(status, "Sys_InitType");
    }
    if (const auto status = api_.Sys_SetLight(slot.handle, kLightSignal); status != 0) {
        return ReaderError(status, "Sys_SetLight");
    }
    if (const auto status = api_.Sys_SetBuzzer(slot.handle, kOpenBeep); status != 0) {
        return ReaderError(status, "Sys_SetBuzzer");
    }
    sleep_(kOpenBeepPause);
    if (const auto status = api_.Sys_SetLight(slot.handle, kLightRest); status != 0) {
        return ReaderError(status, "Sys_SetLight");
    }
    feed::ShowStatus(text::Tr(Table::General, text::general::kOpenDeviceSuccessfully), feed::kBlue);
}

void DeviceSession::Close() {
    if (selected_ < 0) {
        return AskForADevice(errors_);
    }
    feed::ClearLog();
    DeviceSlot& slot = slots_[std::size_t(selected_)];
    if (const auto status = api_.Sys_Close(&slot.handle); status != 0) {
        return ReaderError(status, "Sys_Close");
    }
    feed::ShowStatus(text::Tr(Table::General, text::general::kCloseDeviceSuccessfully),
                     feed::kBlue);
}

bool DeviceSession::ReaderReady(ErrorBox& owner) {
    if (selected_ < 0) {
        AskForADevice(owner);
        return false;
    }
    if (api_.Sys_IsOpen(slots_[std::size_t(selected_)].handle) == 0) {
        feed::ShowStatus(text::Tr(Table::DeviceMessage, text::device::kDeviceNotOpened),
                         feed::kRed);
        return false;
    }
    return true;
}

}  // namespace tagwright::reader
