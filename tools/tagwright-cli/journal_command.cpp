// SPDX-License-Identifier: MIT
#include "journal_command.h"

#include "app/digests.h"
#include "app/journal_csv.h"
#include "app/journal_records.h"
#include "app/journal_view.h"
#include "utf8_text.h"

namespace tagwright::cli {

app::JournalFile JournalOf(const CliOptions& o) {
    if (o.journalPath) return app::JournalFile::Single(*o.journalPath);
    return app::JournalFile::Default();
}

std::string JournalPlaceProblem(const CliOptions& o) {
    const app::JournalFile journal = JournalOf(o);
    std::string problem;
    // Printing it needs no folder made.
    if (o.command == Command::Journal) return journal.Trusted(problem) ? "" : problem;
    if (o.noJournal || o.command == Command::Readers || journal.Ready(problem)) return {};
    return problem;
}

int PrintJournal(const CliOptions& o, ConsoleOutput& out, std::FILE* csv) {
    // Plain output is the CSV alone on standard output; everything else goes to the error stream.
    const auto note = [&](const Json& json, const std::string& plain) {
        if (o.json) {
            out.Emit(json, plain);
        } else {
            std::fprintf(stderr, "%s\n", plain.c_str());
        }
    };
    std::optional<std::string> batchHash;
    if (o.batch) {
        batchHash = app::FileSha256(*o.batch);
        if (!batchHash) {
            Json error = Typed("error");
            error["text"] = ReplaceInvalidUtf8("cannot read " + *o.batch);
            note(error, "tagwright-cli: cannot read " + *o.batch);
            return 1;
        }
    }
    // Record by record as the files are read: a journal of any size is printed in the memory of
    // one record.
    if (!o.json) std::fputs(app::CsvLine(app::kJournalColumns).c_str(), csv);
    app::BatchProgress progress(batchHash.value_or(""));
    const app::JournalFilter filter{
        .day = std::nullopt, .since = o.since, .batchSha256 = batchHash};
    const auto show = [&](const app::JournalRecord& record) {
        if (batchHash) progress.Count(record);
        if (!filter.Matches(record)) return;
        if (o.json) {
            Json fields = Typed("record");
            for (const auto& column : app::kJournalColumns)
                fields[column] = ReplaceInvalidUtf8(record[column]);
            out.Emit(fields, "");
        } else {
            // The same CSV the files hold, so that it can be saved and opened in a spreadsheet.
            std::vector<std::string> cells;
            for (const auto& column : app::kJournalColumns)
                cells.push_back(record[column]);
            std::fputs(app::CsvLine(cells).c_str(), csv);
        }
    };
    std::vector<std::string> problems;
    app::ReadJournal(JournalOf(o), show, problems);
    std::fflush(csv);
    for (const auto& problem : problems) {
        Json warning = Typed("warning");
        warning["text"] = ReplaceInvalidUtf8(problem);
        note(warning, "tagwright-cli: journal " + problem);
    }
    if (batchHash) {
        const std::string last = progress.lastRow ? std::to_string(*progress.lastRow) : "none";
        Json batch = Typed("batch");
        batch["sha256"] = *batchHash;
        batch["records"] = progress.records;
        batch["rowsWritten"] = progress.rows.size();
        batch["tags"] = progress.uids.size();
        batch["lastRow"] = progress.lastRow ? Json(*progress.lastRow) : Json(nullptr);
        note(batch, "Batch " + *o.batch + ": " + std::to_string(progress.rows.size()) +
                        " rows written on " + std::to_string(progress.uids.size()) +
                        " tags, last row " + last + ", " + std::to_string(progress.records) +
                        " records");
    }
    return 0;
}

}  // namespace tagwright::cli
