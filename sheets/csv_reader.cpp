// SPDX-License-Identifier: MIT
#include "csv_reader.h"

#include <array>

#include "workbook.h"

namespace tagwright::sheets {
namespace {

constexpr std::array<std::uint8_t, 3> kByteOrderMark = {0xEF, 0xBB, 0xBF};

}  // namespace

bool CsvColumnReader::Feed(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size() && !failed_; ++i) {
        // A byte order mark is left out; bytes that only began like one are read as text.
        if (bomSeen_ < kByteOrderMark.size()) {
            if (bytes[i] == kByteOrderMark[bomSeen_]) {
                ++bomSeen_;
                continue;
            }
            const std::size_t matched = bomSeen_;
            bomSeen_ = kByteOrderMark.size();
            for (std::size_t k = 0; k < matched && !failed_; ++k)
                failed_ = !utf8_.Next(kByteOrderMark[k]) || !Step(kByteOrderMark[k]);
            if (failed_) break;
        }
        failed_ = !utf8_.Next(bytes[i]) || !Step(bytes[i]);
    }
    return !failed_;
}

bool CsvColumnReader::EndField() {
    if (field_.empty()) return true;
    const bool kept = column_.Add(row_, field_);
    field_.clear();
    return kept;
}

void CsvColumnReader::EndRecord(State next) {
    ++row_;
    state_ = row_ < kMaxRows ? next : State::PastLastRow;
}

bool CsvColumnReader::Step(std::uint8_t c) {
    switch (state_) {
        case State::RecordStart:
            if (c == '"') {
                state_ = State::Quoted;
                return true;
            }
            state_ = State::Field;
            [[fallthrough]];
        case State::Field:
            if (c == ',') {
                state_ = State::Rest;
                return EndField();
            }
            if (c == '\n' || c == '\r') {
                if (!EndField()) return false;
                EndRecord(c == '\r' ? State::AfterCr : State::RecordStart);
                return true;
            }
            if (!column_.FitsOneCell(field_.size() + 1)) return false;
            field_.push_back(static_cast<char>(c));
            return true;
        case State::Quoted:
            if (c == '"') {
                state_ = State::QuotedQuote;
                return true;
            }
            if (!column_.FitsOneCell(field_.size() + 1)) return false;
            field_.push_back(static_cast<char>(c));
            return true;
        case State::QuotedQuote:
            if (c == '"') {
                state_ = State::Quoted;
                if (!column_.FitsOneCell(field_.size() + 1)) return false;
                field_.push_back('"');
                return true;
            }
            state_ = State::Rest;
            if (!EndField()) return false;
            return Step(c);
        case State::Rest:
            if (c == '"') {
                state_ = State::RestQuoted;
            } else if (c == '\n' || c == '\r') {
                EndRecord(c == '\r' ? State::AfterCr : State::RecordStart);
            }
            return true;
        case State::RestQuoted:
            if (c == '"') state_ = State::Rest;
            return true;
        case State::AfterCr:
            state_ = State::RecordStart;
            return c == '\n' || Step(c);
        case State::PastLastRow:
            // One more record would be a row no sheet has: the file does not load, rather than
            // lose its last rows unseen. Blank lines at the end hold no record.
            if (c == '\n' || c == '\r') return true;
            pastLastRow_ = true;
            return false;
    }
    return false;
}

std::optional<ColumnA> CsvColumnReader::Finish() {
    if (bomSeen_ < kByteOrderMark.size()) {
        // The file ended inside what began like a byte order mark: those bytes are its text.
        const std::size_t matched = bomSeen_;
        bomSeen_ = kByteOrderMark.size();
        for (std::size_t k = 0; k < matched && !failed_; ++k)
            failed_ = !utf8_.Next(kByteOrderMark[k]) || !Step(kByteOrderMark[k]);
    }
    if (failed_ || !utf8_.Complete()) return std::nullopt;
    switch (state_) {
        case State::Quoted:
        case State::RestQuoted:
            return std::nullopt;  // a quote never closed
        case State::Field:
        case State::QuotedQuote:
            if (!EndField()) return std::nullopt;
            break;
        default:
            break;
    }
    return column_.Finish();
}

std::optional<ColumnA> ReadCsvColumnA(std::span<const std::uint8_t> file,
                                      const SheetLimits& limits) {
    CsvColumnReader reader(limits);
    if (!reader.Feed(file)) return std::nullopt;
    return reader.Finish();
}

}  // namespace tagwright::sheets
