// SPDX-License-Identifier: MIT
#include "batch_resume.h"

#include "app/digests.h"
#include "app/journal_records.h"
#include "journal_command.h"
#include "sim/hex.h"

namespace tagwright::cli {
namespace {

std::optional<tag::Uid> UidFromHex(const std::string& hex) {
    const auto bytes = cardhost::sim::FromHex(hex);
    if (!bytes || bytes->size() != tag::Uid{}.size()) return std::nullopt;
    tag::Uid uid{};
    std::copy(bytes->begin(), bytes->end(), uid.begin());
    return uid;
}

void Say(ConsoleOutput& out, const std::string& json, const std::string& plain) {
    out.Emit("\"type\":\"resume\"," + json, plain);
}

}  // namespace

ResumeStart ResumeBatch(const CliOptions& o, panels::SpreadsheetSource& rows, panels::Panel& panel,
                        panels::BatchLedger& ledger, ConsoleOutput& out) {
    const std::string file = *o.fromFile;
    const std::string hash = app::FileSha256(file).value_or("");
    // The batch's records, as the files are read: the journal is never held whole.
    app::BatchProgress progress(hash);
    std::vector<std::string> problems;
    app::ReadJournal(
        JournalOf(o), [&](const app::JournalRecord& record) { progress.Count(record); }, problems);
    for (const auto& problem : problems) {
        out.Emit("\"type\":\"warning\",\"text\":" + JsonString(problem),
                 "tagwright-cli: journal " + problem);
    }
    for (const auto& [hex, row] : progress.uids) {
        if (const auto uid = UidFromHex(hex)) ledger.Received(*uid, row);
    }
    // The first tag may be the one in flight when the batch was interrupted.
    ledger.ExpectTagInFlight();
    const std::string id = JsonString(file) + ",\"sha256\":" + JsonString(hash);
    if (!progress.lastRow) {
        Say(out, "\"file\":" + id + ",\"startRow\":" + JsonString(panel.rowNumberText()),
            "Resume: the journal has no row of " + file + " written; starting at row " +
                panel.rowNumberText());
        return ResumeStart::Go;
    }
    const std::string next = std::to_string(*progress.lastRow + 1);
    panel.SetRowNumberText(next);
    const bool loaded = rows.ReadCurrentRow();
    const std::string written = std::to_string(progress.rows.size()) + " rows on " +
                                std::to_string(progress.uids.size()) + " tags";
    if (!loaded && rows.RowsRanOut()) {
        Say(out,
            "\"file\":" + id + ",\"lastRow\":" + std::to_string(*progress.lastRow) +
                ",\"complete\":true",
            "Resume: " + file + " was written completely (" + written + ", last row " +
                std::to_string(*progress.lastRow) + ")");
        return ResumeStart::AllWritten;
    }
    Say(out,
        "\"file\":" + id + ",\"lastRow\":" + std::to_string(*progress.lastRow) +
            ",\"startRow\":" + next,
        "Resume: " + file + " has " + written + " in the journal, the last row " +
            std::to_string(*progress.lastRow) + "; starting at row " + next);
    return ResumeStart::Go;
}

}  // namespace tagwright::cli
