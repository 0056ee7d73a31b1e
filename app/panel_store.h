// SPDX-License-Identifier: MIT
// Where the current panel value (CurMenu) is kept between runs.
//
// Settings live in two scopes: the machine-wide one, writable only by an administrator on most
// systems, and the operator's own. The value is saved machine-wide where that is writable, else
// in the operator's scope, so that a normal user's panel is remembered too; it is read from the
// operator's scope first, then machine-wide. A value that is not an integer is ignored.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace tagwright::app {

inline constexpr int kDefaultPanel = 2;  // NFC Text
inline constexpr const char* kCurrentPanelKey = "CurMenu";

// One settings scope, reduced to what the panel store needs.
class SettingsScope {
  public:
    virtual ~SettingsScope() = default;
    // The value's text; nothing when the key is not there.
    virtual std::optional<std::string> Read(const std::string& key) const = 0;
    virtual bool Writable() const = 0;
    virtual bool Write(const std::string& key, int value) = 0;
    virtual void Remove(const std::string& key) = 0;
};

class PanelStore {
  public:
    virtual ~PanelStore() = default;
    // The saved value, or kDefaultPanel when none is saved.
    virtual int Load() const = 0;
    // Saved at exit; failures are silent.
    virtual void Save(int panel) = 0;
};

class ScopedPanelStore : public PanelStore {
  public:
    ScopedPanelStore(std::unique_ptr<SettingsScope> user, std::unique_ptr<SettingsScope> system)
        : user_(std::move(user)), system_(std::move(system)) {}

    int Load() const override;
    void Save(int panel) override;

  private:
    std::unique_ptr<SettingsScope> user_, system_;
};

// The whole text as a decimal integer (an optional minus sign and digits, nothing else), else
// nothing.
std::optional<int> ParsePanelValue(const std::string& text);

}  // namespace tagwright::app
