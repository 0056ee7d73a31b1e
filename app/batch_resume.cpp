// SPDX-License-Identifier: MIT
#include "batch_resume.h"

#include "digests.h"
#include "journal_records.h"

namespace tagwright::app {
namespace {

std::optional<tag::Uid> UidFromHex(const std::string& hex) {
    tag::Uid uid{};
    if (hex.size() != uid.size() * 2) return std::nullopt;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < uid.size(); ++i) {
        const int high = digit(hex[2 * i]), low = digit(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        uid[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return uid;
}

}  // namespace

ResumePoint FindResumePoint(const JournalFile& journal, const std::filesystem::path& sheetFile) {
    ResumePoint point;
    point.sha256 = FileSha256(sheetFile).value_or("");
    BatchProgress progress(point.sha256);
    ReadJournal(
        journal, [&](const JournalRecord& record) { progress.Count(record); }, point.problems);
    point.lastRow = progress.lastRow;
    if (!progress.rows.empty()) point.firstRow = *progress.rows.begin();
    point.rowsWritten = progress.rows.size();
    point.tagsWritten = progress.uids.size();
    for (const auto& [hex, row] : progress.uids) {
        if (const auto uid = UidFromHex(hex)) point.tags.emplace_back(*uid, row);
    }
    return point;
}

void TakeUpBatch(const ResumePoint& point, panels::BatchLedger& ledger) {
    for (const auto& [uid, row] : point.tags)
        ledger.Received(uid, row);
    ledger.ExpectTagInFlight();
}

}  // namespace tagwright::app
