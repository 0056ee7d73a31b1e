// SPDX-License-Identifier: MIT
#include "readers_command.h"

#include <vector>

#include "reader/reader_report.h"

#include "cli_session.h"
#include "exit_status.h"
#include "reader_details.h"
#include "utf8_text.h"

namespace tagwright::cli {

int RunReaders(const CliOptions& o, ConsoleOutput& out) {
    CliSession session(o, out);
    if (!session.Start()) return kExitNoReader;
    reader::ListDeviceCombo& combo = session.combo();
    session.devices().RefreshDeviceList();
    const std::vector<reader::ReaderDescription> details =
        o.verbose ? session.report(CARDHOST_REPORT_READERS).readers
                  : std::vector<reader::ReaderDescription>{};
    for (int i = 1; i < combo.Count(); ++i) {
        const std::string serial = combo.Text(i);
        const reader::ReaderDescription* found = nullptr;
        for (const reader::ReaderDescription& d : details) {
            if (d.serial == serial) found = &d;
        }
        Json reader = Typed("reader");
        reader["serial"] = serial;
        if (found == nullptr) {
            out.Emit(reader, EscapeForTerminal(serial));
            continue;
        }
        AddDetails(reader, *found);
        out.Emit(reader, EscapeForTerminal(serial) + "\n" + DetailsText(*found));
    }
    return session.ExplainMissingReaders() ? kExitNoReader : kExitSuccess;
}

}  // namespace tagwright::cli
