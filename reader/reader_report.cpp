// SPDX-License-Identifier: MIT
#include "reader_report.h"

#include <charconv>
#include <cstdint>

#include "reader_api.h"

namespace tagwright::reader {
namespace {

// One line's fields, the escapes undone.
std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

int Number(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : -1;
}

}  // namespace

std::optional<std::string> ReaderReport::ProblemOf(std::string_view backend) const {
    for (const auto& [name, text] : problems) {
        if (name == backend) return text;
    }
    return std::nullopt;
}

ReaderReport ParseReaderReport(std::string_view text) {
    ReaderReport report;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::vector<std::string> f = Fields(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (f[0] == "reader" && f.size() >= 6) {
            report.readers.push_back({f[1], f[2], f[3], f[4], Number(f[5])});
        } else if (f[0] == "problem" && f.size() >= 3) {
            report.problems.emplace_back(f[1], f[2]);
        }
    }
    return report;
}

std::optional<ReaderReport> AskReaderReport(std::uint32_t parts) {
    const auto ask = ReaderExtra().Diag_Report;
    if (ask == nullptr) return std::nullopt;
    std::uint32_t length = 0;
    std::string buffer;
    // The report may grow between the call that sizes it and the one that fills it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::uint8_t status = ask(parts, buffer.empty() ? nullptr : buffer.data(),
                                        std::uint32_t(buffer.size()), &length);
        if (status == CARDHOST_OK) {
            return ParseReaderReport(std::string_view(buffer.data(), length));
        }
        if (status != CARDHOST_BUFFER_SMALL) return std::nullopt;
        buffer.assign(std::size_t(length) + 1, '\0');
    }
    return std::nullopt;
}

}  // namespace tagwright::reader
