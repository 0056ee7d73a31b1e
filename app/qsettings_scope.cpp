// SPDX-License-Identifier: MIT
#include "qsettings_scope.h"

#include <QSettings>
#include <QString>

namespace tagwright::app {

namespace {

class QSettingsScope : public SettingsScope {
  public:
    explicit QSettingsScope(Scope scope)
        : settings_(QSettings::NativeFormat,
                    scope == Scope::System ? QSettings::SystemScope : QSettings::UserScope,
                    QStringLiteral("Varnholt"), QStringLiteral("Tagwright")) {
        // Only this scope: a user-scope QSettings would otherwise fall back to the system one.
        settings_.setFallbacksEnabled(false);
    }

    std::optional<std::string> Read(const std::string& key) const override {
        const QString name = QString::fromStdString(key);
        if (!settings_.contains(name)) return std::nullopt;
        return settings_.value(name).toString().toStdString();
    }
    bool Writable() const override { return settings_.isWritable(); }
    bool Write(const std::string& key, int value) override {
        settings_.setValue(QString::fromStdString(key), value);
        settings_.sync();
        return settings_.status() == QSettings::NoError;
    }
    void Remove(const std::string& key) override {
        settings_.remove(QString::fromStdString(key));
        settings_.sync();
    }

  private:
    QSettings settings_;
};

}  // namespace

std::unique_ptr<SettingsScope> MakeQSettingsScope(Scope scope) {
    return std::make_unique<QSettingsScope>(scope);
}

std::unique_ptr<PanelStore> ProgramPanelStore() {
    return std::make_unique<ScopedPanelStore>(MakeQSettingsScope(Scope::User),
                                              MakeQSettingsScope(Scope::System));
}

}  // namespace tagwright::app
