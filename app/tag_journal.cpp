// SPDX-License-Identifier: MIT
#include "tag_journal.h"

#include <cstdio>
#include <ctime>

#include "digests.h"
#include "fingerprint_secret.h"
#include "log/log_feed.h"
#include "tag/ntag_model.h"
#include "text/text_tables.h"

namespace tagwright::app {
namespace {

std::string UtcMilliseconds(std::chrono::system_clock::time_point when) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    const std::time_t seconds = std::time_t(ms.count() / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", int(ms.count() % 1000));
    return text;
}

const char* OperationWord(tag::OperationKind kind) {
    switch (kind) {
        case tag::OperationKind::Read:
            return "read";
        case tag::OperationKind::Write:
            return "write";
        case tag::OperationKind::ClearKey:
            return "clear-key";
        case tag::OperationKind::Erase:
            return "erase";
    }
    return "";
}

// The words of the command line's --mirror; empty for none.
const char* MirrorWord(tag::MirrorKind kind) {
    switch (kind) {
        case tag::MirrorKind::None:
            return "";
        case tag::MirrorKind::UidOnly:
            return "uid";
        case tag::MirrorKind::Counter:
            return "counter";
        case tag::MirrorKind::Both:
            return "both";
    }
    return "";
}

std::string StatusCode(std::int32_t code) {
    if (code == 0) return {};
    char text[16];
    std::snprintf(text, sizeof text, "0x%02x", static_cast<std::uint32_t>(code));
    return text;
}

std::string Result(const panels::HandledTag& tag) {
    if (!tag.succeeded) return tag.verifyFailed ? "verify failed" : "failure";
    return tag.readBack ? "success (read back)" : "success";
}

}  // namespace

const char* PanelWord(panels::PanelKind kind) {
    switch (kind) {
        case panels::PanelKind::Text:
            return "text";
        case panels::PanelKind::Url:
            return "url";
        case panels::PanelKind::SmartPoster:
            return "poster";
    }
    return "";
}

const std::string& TagJournal::BatchHash(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    const auto written = std::filesystem::last_write_time(file, error);
    auto& known = hashes_[file];
    if (known.sha256.empty() || known.size != size || known.written != written) {
        known = {size, written, FileSha256(file).value_or("")};
    }
    return known.sha256;
}

bool TagJournal::Append(const panels::HandledTag& tag, const Place& place) {
    const auto now = clock_();
    std::string error;
    if (tag.key && !secret_) secret_ = FingerprintSecret(error);
    if (error.empty()) {
        const bool batch = tag.row.has_value() && !place.batchFile.empty();
        const std::vector<std::string> cells = {
            UtcMilliseconds(now),
            place.reader,
            tag::UidDigits(tag.uid),
            tag.model ? std::string(tag::ModelName(*tag.model)) : std::string(),
            PanelWord(place.panel),
            OperationWord(tag.operation),
            tag.autoOperation ? "auto" : "single",
            batch ? place.batchFile.string() : std::string(),
            batch ? BatchHash(place.batchFile) : std::string(),
            tag.row ? std::to_string(*tag.row) : std::string(),
            tag.message,
            tag.ndef.empty() ? std::string() : Sha256Hex(tag.ndef),
            tag.encryption ? "on" : "off",
            tag.key ? KeyFingerprint(*tag.key, *secret_) : std::string(),
            tag.lock ? "on" : "off",
            Result(tag),
            tag.failure,
            StatusCode(tag.code),
            std::to_string(tag.duration.count()),
            MirrorWord(tag.mirror),
            tag.counter ? std::to_string(*tag.counter) : std::string(),
            tag.genuine ? (*tag.genuine ? "yes" : "no") : std::string(),
        };
        if (file_.Append(cells, now, error)) return true;
    }
    if (failed_) return false;
    failed_ = true;
    const std::string text =
        text::TrText(text::Table::General, text::general::kJournalNotWritten, error);
    feed::AppendLog(0, text, feed::kRed);
    feed::ShowStatus(text, feed::kRed);
    return false;
}

bool PanelJournal::Record(const panels::HandledTag& tag) {
    const int index = devices_.selectedIndex();
    TagJournal::Place place;
    if (index >= 0) place.reader = devices_.slot(index).serial;
    place.panel = kind_;
    // The path as the operator would find the file again, whatever the working directory.
    std::error_code error;
    place.batchFile = rows_.loadedPath().empty()
                          ? std::filesystem::path()
                          : std::filesystem::absolute(rows_.loadedPath(), error);
    return journal_.Append(tag, place);
}

}  // namespace tagwright::app
