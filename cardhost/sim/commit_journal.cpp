// SPDX-License-Identifier: MIT
#include "commit_journal.h"

#include <sstream>

#include "store_error.h"
#include "store_io.h"
#include "store_names.h"

namespace cardhost::sim {
namespace fs = std::filesystem;

namespace {

constexpr const char* kMagic = "cardhost-sim-journal 1";
constexpr const char* kEnd = "end-of-journal";
constexpr std::string_view kEndLine = "end-of-journal\n";
constexpr const char* kJournal = "journal";
// A queue of 100,000 new tags makes a journal of about 4 MB.
constexpr std::size_t kJournalLimit = 64u << 20;

using JournalStep = Publication::Step;

fs::path PendingFile(const fs::path& directory, std::size_t index) {
    return directory / kPendingFolder / std::to_string(index);
}

std::string JournalText(const std::vector<JournalStep>& steps) {
    std::ostringstream out;
    out << kMagic << '\n';
    for (const JournalStep& step : steps) {
        if (step.rename) {
            out << "rename " << step.index << ' ' << step.file << '\n';
        } else {
            out << "remove " << step.file << '\n';
        }
    }
    out << kEnd << '\n';
    return out.str();
}

std::vector<JournalStep> ParseJournal(const std::string& text) {
    if (!text.ends_with(kEndLine)) throw FormatError("cut short");
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kMagic) throw FormatError("not a journal");
    std::vector<JournalStep> steps;
    while (std::getline(lines, line) && line != kEnd) {
        std::istringstream words(line);
        std::string verb, rest;
        JournalStep step{};
        words >> verb;
        step.rename = verb == "rename";
        if (step.rename && !(words >> step.index)) throw FormatError("bad line: " + line);
        if (!step.rename && verb != "remove") throw FormatError("bad line: " + line);
        // Only the directory's own files may be named: a journal must not move anything else.
        if (!(words >> step.file) || (words >> rest) || !IsStoreFileName(step.file)) {
            throw FormatError("bad line: " + line);
        }
        steps.push_back(step);
    }
    return steps;
}

// Each step can be carried out again: a rename whose pending file is gone was done already.
void CarryOut(const fs::path& directory, const std::vector<JournalStep>& steps) {
    for (const JournalStep& step : steps) {
        if (!step.rename) {
            RemoveStoreEntry(directory / step.file);
        } else if (const fs::path from = PendingFile(directory, step.index);
                   StoreEntryExists(from)) {
            RenameStoreFile(from, directory / step.file);
        }
    }
}

void ClearPending(const fs::path& directory) {
    const fs::path pending = directory / kPendingFolder;
    std::error_code error;
    for (fs::directory_iterator it(pending, error), end; !error && it != end; it.increment(error)) {
        RemoveStoreEntry(it->path());
    }
    if (error) throw SystemRefusal(pending, "cannot be read", error.value());
}

}  // namespace

Publication::Publication(fs::path directory) : directory_(std::move(directory)) {}

void Publication::Write(const std::string& file, const std::string& contents) {
    const std::size_t index = written_++;
    WriteStoreFile(PendingFile(directory_, index), contents);
    steps_.push_back({true, index, file});
}

void Publication::Remove(const std::string& file) {
    steps_.push_back({false, 0, file});
}

void Publication::Publish() {
    if (steps_.empty()) return;
    if (steps_.size() == 1 && steps_[0].rename) {  // one rename is atomic by itself
        RenameStoreFile(PendingFile(directory_, steps_[0].index), directory_ / steps_[0].file);
        return;
    }
    const fs::path draft = directory_ / kPendingFolder / kJournal;
    WriteStoreFile(draft, JournalText(steps_));
    RenameStoreFile(draft, directory_ / kJournal);  // the commit point
    CarryOut(directory_, steps_);
    RemoveStoreEntry(directory_ / kJournal);
}

void FinishInterruptedCommit(const fs::path& directory) {
    const fs::path journal = directory / kJournal;
    if (StoreEntryExists(journal)) {
        std::vector<JournalStep> steps;
        try {
            steps = ParseJournal(ReadStoreFile(journal, kJournalLimit));
        } catch (const FormatError& error) {
            throw StoreError(journal, std::string("damaged journal, ") + error.what());
        }
        CarryOut(directory, steps);
        RemoveStoreEntry(journal);
    }
    ClearPending(directory);
}

}  // namespace cardhost::sim
