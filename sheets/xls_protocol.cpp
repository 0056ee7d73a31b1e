// SPDX-License-Identifier: MIT
#include "xls_protocol.h"

#include <algorithm>
#include <charconv>

namespace tagwright::sheets {
namespace {

constexpr std::string_view kHeader = "TWXLS 1\n";
constexpr std::string_view kEnd = "END";
// "row length": two numbers that fit 32 bits, far shorter than this.
constexpr std::size_t kMaxLineBytes = 32;

bool ParseNumber(std::string_view text, std::uint64_t& value) {
    if (text.empty()) return false;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

std::string EncodeColumn(const ColumnA& column) {
    std::string out(kHeader);
    column.ForEachCell([&](std::uint32_t row, std::string_view text) {
        out += std::to_string(row) + ' ' + std::to_string(text.size()) + '\n';
        out += text;
        out += '\n';
    });
    out += kEnd;
    out += '\n';
    return out;
}

bool ColumnDecoder::FeedLine(char c) {
    if (c != '\n') {
        if (pending_.size() == kMaxLineBytes) return false;
        pending_.push_back(c);
        return true;
    }
    const std::string_view line = pending_;
    if (line == kEnd) {
        state_ = State::Done;
        return true;
    }
    const auto space = line.find(' ');
    std::uint64_t row = 0, length = 0;
    if (space == std::string_view::npos || !ParseNumber(line.substr(0, space), row) ||
        !ParseNumber(line.substr(space + 1), length) || row >= kMaxRows ||
        !column_.FitsOneCell(length)) {
        return false;
    }
    row_ = static_cast<std::uint32_t>(row);
    length_ = static_cast<std::size_t>(length);
    pending_.clear();
    state_ = length_ == 0 ? State::TextEnd : State::Text;
    return true;
}

bool ColumnDecoder::Feed(std::string_view bytes) {
    while (!bytes.empty() && !failed_) {
        switch (state_) {
            case State::Header: {
                const std::size_t take = std::min(bytes.size(), kHeader.size() - pending_.size());
                pending_.append(bytes.substr(0, take));
                bytes.remove_prefix(take);
                if (!kHeader.starts_with(pending_)) failed_ = true;
                if (pending_.size() == kHeader.size()) {
                    pending_.clear();
                    state_ = State::Line;
                }
                break;
            }
            case State::Line:
                failed_ = !FeedLine(bytes.front());
                bytes.remove_prefix(1);
                break;
            case State::Text: {
                const std::size_t take = std::min(bytes.size(), length_ - pending_.size());
                pending_.append(bytes.substr(0, take));
                bytes.remove_prefix(take);
                if (pending_.size() == length_) state_ = State::TextEnd;
                break;
            }
            case State::TextEnd:
                failed_ = bytes.front() != '\n' || !column_.Add(row_, pending_);
                bytes.remove_prefix(1);
                pending_.clear();
                state_ = State::Line;
                break;
            case State::Done:
                failed_ = true;  // nothing may follow the end
                break;
        }
    }
    return !failed_;
}

std::optional<ColumnA> ColumnDecoder::Finish() {
    if (failed_ || state_ != State::Done) return std::nullopt;
    return column_.Finish();
}

std::optional<ColumnA> DecodeColumn(std::string_view text, const SheetLimits& limits) {
    ColumnDecoder decoder(limits);
    if (!decoder.Feed(text)) return std::nullopt;
    return decoder.Finish();
}

}  // namespace tagwright::sheets
