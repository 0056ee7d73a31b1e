// The panel of tagwright-cli: its check boxes and fields come from the command line.
#pragma once

#include "cli_options.h"
#include "panels/core/simple_panel.h"

namespace tagwright::cli {

struct ConsolePanel : panels::SimplePanel {
    explicit ConsolePanel(const CliOptions& o) {
        autoOp = o.autoOperation;
        encrypt = o.encrypt;
        lock = o.lock;
        fromFile = o.fromFile.has_value();
        originalKey = o.originalKey;
        newKey = o.newKey;
        content = o.content;
        title = o.title;
        prefix = o.prefixCode;
        rowAuto = o.rowAuto;
        rowNumber = o.row;
    }
};

}  // namespace tagwright::cli
