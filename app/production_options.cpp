// SPDX-License-Identifier: MIT
#include "production_options.h"

#include "qsettings_scope.h"

namespace tagwright::app {
namespace {

constexpr const char* kVerify = "Production/Verify";
constexpr const char* kOneRowPerTag = "Production/OneRowPerTag";
constexpr const char* kTemplates = "Production/Templates";
constexpr const char* kGenuineOnly = "Production/GenuineOnly";

bool On(const SettingsScope& scope, const char* key) {
    const auto value = scope.Read(key);
    return value && (*value == "1" || *value == "true");
}

}  // namespace

ProductionOptions ProductionOptionsStore::Load() const {
    if (!scope_) return {};
    return {On(*scope_, kVerify), On(*scope_, kOneRowPerTag), On(*scope_, kTemplates),
            On(*scope_, kGenuineOnly)};
}

void ProductionOptionsStore::Save(const ProductionOptions& options) {
    if (!scope_ || !scope_->Writable()) return;
    scope_->Write(kVerify, options.verify ? 1 : 0);
    scope_->Write(kOneRowPerTag, options.oneRowPerTag ? 1 : 0);
    scope_->Write(kTemplates, options.templates ? 1 : 0);
    scope_->Write(kGenuineOnly, options.genuineOnly ? 1 : 0);
}

ProductionOptionsStore OperatorProductionOptions() {
    return ProductionOptionsStore(MakeQSettingsScope(Scope::User));
}

}  // namespace tagwright::app
