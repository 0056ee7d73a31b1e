// SPDX-License-Identifier: MIT
// Diag_Report: the readers and the backends' problems as lines of TAB-separated fields.
#include <cardhost/diagnostics.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "backend.h"
#include "cardhost/sim/hex.h"

namespace cardhost {
namespace {

void AddField(std::string& report, std::string_view field) {
    report += '\t';
    for (const char c : field) {
        switch (c) {
            case '\\':
                report += "\\\\";
                break;
            case '\t':
                report += "\\t";
                break;
            case '\n':
                report += "\\n";
                break;
            default:
                report += c;
        }
    }
}

void AddReaders(std::string& report) {
    for (const ReaderDescription& reader : DescribeReaders()) {
        report += "reader";
        AddField(report, reader.serial);
        AddField(report, reader.backend);
        AddField(report, sim::ToHex(reader.atr, ' '));
        AddField(report, reader.personality);
        AddField(report, std::to_string(reader.status));
        report += '\n';
    }
}

void AddProblems(std::string& report) {
    for (const BackendProblem& problem : DescribeProblems()) {
        report += "problem";
        AddField(report, problem.backend);
        AddField(report, problem.text);
        report += '\n';
    }
}

// Only what is asked for: a look at every reader reaches each PC/SC card, which a program that
// merely wants to explain a failure need not pay for.
std::string Report(std::uint32_t parts) {
    std::string report;
    if ((parts & CARDHOST_REPORT_READERS) != 0) AddReaders(report);
    if ((parts & CARDHOST_REPORT_PROBLEMS) != 0) AddProblems(report);
    return report;
}

}  // namespace
}  // namespace cardhost

extern "C" {

CARDHOST_EXPORT uint8_t CARDHOST_CALL Diag_Report(uint32_t parts, char* buffer, uint32_t bufferSize,
                                                  uint32_t* length) {
    if (length == nullptr) return CARDHOST_BAD_ARGUMENT;
    try {
        const std::string report = cardhost::Report(parts);
        *length = static_cast<uint32_t>(report.size());
        if (buffer == nullptr || report.size() + 1 > bufferSize) return CARDHOST_BUFFER_SMALL;
        std::memcpy(buffer, report.c_str(), report.size() + 1);
        return CARDHOST_OK;
    } catch (const cardhost::BackendError& error) {
        return static_cast<uint8_t>(error.status());
    } catch (...) {  // nothing may cross the C boundary
        return CARDHOST_READER_ERROR;
    }
}

}  // extern "C"
