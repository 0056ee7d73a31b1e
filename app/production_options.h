// SPDX-License-Identifier: MIT
// The window's production options (read-back after every write, one row per tag, templates):
// the operator's own, kept between runs and the same in every function panel.
#pragma once

#include <memory>

#include "panel_store.h"

namespace tagwright::app {

struct ProductionOptions {
    bool verify = false;
    bool oneRowPerTag = false;
    bool templates = false;
    bool genuineOnly = false;
};

class ProductionOptionsStore {
  public:
    explicit ProductionOptionsStore(std::unique_ptr<SettingsScope> scope)
        : scope_(std::move(scope)) {}
    // What was saved last; every option off when nothing was.
    ProductionOptions Load() const;
    // Failures are silent: the options then hold for this run only.
    void Save(const ProductionOptions& options);

  private:
    std::unique_ptr<SettingsScope> scope_;
};

// The store in the operator's settings scope.
ProductionOptionsStore OperatorProductionOptions();

}  // namespace tagwright::app
