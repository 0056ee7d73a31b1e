// SPDX-License-Identifier: MIT
// The journal of every tag the program handles: the operation controller's records made into
// CSV lines with the time, reader, panel, batch file and hashes, appended and synced. A journal
// that cannot be written is reported once, in the log and the Tips field; whether that stops a
// run is the controller's to decide.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "journal_file.h"
#include "panels/core/run_journal.h"
#include "panels/core/spreadsheet_source.h"
#include "reader/device_session.h"

namespace tagwright::app {

class TagJournal {
  public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    explicit TagJournal(JournalFile file, Clock clock = std::chrono::system_clock::now)
        : file_(std::move(file)), clock_(std::move(clock)) {}

    const JournalFile& file() const { return file_; }
    // The cells of one record: the tag as the controller saw it, with where it happened.
    struct Place {
        std::string reader;
        panels::PanelKind panel = panels::PanelKind::Text;
        std::filesystem::path batchFile;  // empty unless the row came from a sheet
    };
    // False when the record could not be kept.
    bool Append(const panels::HandledTag& tag, const Place& place);
    bool failed() const { return failed_; }

  private:
    const std::string& BatchHash(const std::filesystem::path& file);

    JournalFile file_;
    Clock clock_;
    bool failed_ = false;                // reported already
    std::optional<std::string> secret_;  // for key fingerprints, read when first needed
    // By path: the file's size and time as hashed, and the hash.
    struct Hashed {
        std::uintmax_t size;
        std::filesystem::file_time_type written;
        std::string sha256;
    };
    std::map<std::filesystem::path, Hashed> hashes_;
};

// One panel's records, with the reader it works with and the sheet it writes from.
class PanelJournal : public panels::RunJournal {
  public:
    PanelJournal(TagJournal& journal, reader::DeviceSession& devices, panels::PanelKind kind,
                 const panels::SpreadsheetSource& rows)
        : journal_(journal), devices_(devices), kind_(kind), rows_(rows) {}
    bool Record(const panels::HandledTag& tag) override;

  private:
    TagJournal& journal_;
    reader::DeviceSession& devices_;
    panels::PanelKind kind_;
    const panels::SpreadsheetSource& rows_;
};

// The text of the journal's "panel" and "operation" cells.
const char* PanelWord(panels::PanelKind kind);

}  // namespace tagwright::app
