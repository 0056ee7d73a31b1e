// SPDX-License-Identifier: MIT
// The settings scopes of organization "Varnholt", application "Tagwright", through QSettings.
#pragma once

#include <memory>

#include "panel_store.h"

namespace tagwright::app {

enum class Scope { User, System };

std::unique_ptr<SettingsScope> MakeQSettingsScope(Scope scope);

// The current panel store of the program: the operator's scope and the machine-wide one.
std::unique_ptr<PanelStore> ProgramPanelStore();

}  // namespace tagwright::app
