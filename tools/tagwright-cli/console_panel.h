// SPDX-License-Identifier: MIT
// The panel of tagwright-cli: its check boxes and fields come from the command line.
#pragma once

#include <string>
#include <vector>

#include "cli_options.h"
#include "panels/core/simple_panel.h"
#include "secrets/wipe.h"

namespace tagwright::cli {

// The message boxes of the panel and of the device session, printed as error lines.
struct ConsoleErrors : reader::ErrorBox {
    void ShowError(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

struct ConsolePanel : panels::SimplePanel {
    ConsolePanel(const CliOptions& o, ConsoleErrors& errors) : errors_(errors) {
        autoOp = o.autoOperation;
        encrypt = o.encrypt;
        lock = o.lock;
        lockConfiguration = o.lockConfig;
        authLimit = o.attemptLimit;
        readProtection = o.protectReads;
        verify = o.verify;
        counter = o.counter;
        counterKey = o.counterProtected;
        genuineTagsOnly = o.genuineOnly;
        pack = o.pack;
        mirrorKind = o.mirror;
        templates = o.templates;
        fromFile = o.fromFile.has_value();
        originalKey = o.originalKey;
        newKey = o.newKey;
        content = o.content;
        title = o.title;
        prefix = o.prefixCode;
        rowAuto = o.rowAuto;
        rowNumber = o.row;
    }
    ~ConsolePanel() override {
        secrets::Wipe(originalKey);
        secrets::Wipe(newKey);
    }
    reader::ErrorBox& errorBox() override { return errors_; }

  private:
    ConsoleErrors& errors_;
};

}  // namespace tagwright::cli
