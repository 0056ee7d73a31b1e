// SPDX-License-Identifier: MIT
// Diag_Report: the readers and the backends' problems as lines of TAB-separated fields.
#include <cardhost/diagnostics.h>

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

std::string Report() {
    std::string report;
    for (const ReaderDescription& reader : DescribeReaders()) {
        report += "reader";
        AddField(report, reader.serial);
        AddField(report, reader.backend);
        AddField(report, sim::ToHex(reader.atr, ' '));
        AddField(report, reader.personality);
        AddField(report, std::to_string(reader.status));
        report += '\n';
    }
    for (const BackendProblem& problem : DescribeProblems()) {
        report += "problem";
        AddField(report, problem.backend);
        AddField(report, problem.text);
        report += '\n';
    }
    return report;
}

}  // namespace
}  // namespace cardhost

extern "C" {

CARDHOST_EXPORT uint8_t CARDHOST_CALL Diag_Report(char* buffer, uint32_t bufferSize,
                                                  uint32_t* length) {
    if (length == nullptr) return CARDHOST_BAD_ARGUMENT;
    try {
        const std::string report = cardhost::Report();
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
