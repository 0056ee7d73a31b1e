// SPDX-License-Identifier: MIT
#include "panel_store.h"

#include <charconv>

namespace tagwright::app {

std::optional<int> ParsePanelValue(const std::string& text) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last) return std::nullopt;
    return value;
}

int ScopedPanelStore::Load() const {
    for (const SettingsScope* scope : {user_.get(), system_.get()}) {
        if (const auto text = scope->Read(kCurrentPanelKey)) {
            if (const auto value = ParsePanelValue(*text)) return *value;
        }
    }
    return kDefaultPanel;
}

void ScopedPanelStore::Save(int panel) {
    if (system_->Writable() && system_->Write(kCurrentPanelKey, panel)) {
        // The operator's scope is read first: an older value there would hide this one.
        user_->Remove(kCurrentPanelKey);
        return;
    }
    user_->Write(kCurrentPanelKey, panel);
}

}  // namespace tagwright::app
