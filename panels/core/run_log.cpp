// SPDX-License-Identifier: MIT
#include "run_log.h"

#include <cstdio>
#include <iterator>

#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

using tag::Problem;
using text::Table;

// The message table's entry for each problem, in the order tag::Problem lists them; a failed
// reader call is named by the call and has none.
constexpr int kEntries[] = {text::msg::kReadFailedPage,
                            text::msg::kWriteFailedPage,
                            text::msg::kVerifyFailedPage,
                            0,
                            text::msg::kNonNtagCard,
                            text::msg::kTagModelUnknown,
                            text::msg::kNonNdefTag,
                            text::msg::kTagIsLocked,
                            text::msg::kBufferLengthNotEnough,
                            text::msg::kNoPasswordSupport,
                            text::msg::kAuth0AddressUnknown,
                            text::msg::kDynamicLockAddressUnknown,
                            text::msg::kAuthenticationKeyFail,
                            text::msg::kNoNfcCounter,
                            text::msg::kNotWritten,
                            text::msg::kNoSignature,
                            text::msg::kWrongPack,
                            text::msg::kNoMirror};
static_assert(std::size(kEntries) == static_cast<std::size_t>(Problem::NoMirror) + 1);

bool NamesPage(Problem problem) {
    return problem == Problem::ReadFailed || problem == Problem::WriteFailed ||
           problem == Problem::VerifyFailed;
}

std::string Message(int entry) {
    return std::string(text::Tr(Table::Message, entry));
}

}  // namespace

std::string FailureText(const tag::Failure& failure) {
    // A failed reader call is named as the reader library names it, in either language.
    if (failure.problem == Problem::ReaderCall) return failure.call != nullptr ? failure.call : "";
    const int entry = kEntries[static_cast<std::size_t>(failure.problem)];
    if (!NamesPage(failure.problem)) return Message(entry);
    return text::TrNumber(Table::Message, entry, static_cast<long long>(failure.page));
}

std::string IdentificationLine(const tag::DetectedTag& tag) {
    std::string line(tag::ModelName(tag.model));
    line += ", ";
    line += text::Tr(Table::Message, text::msg::kUidPrefix);
    line += tag::UidDigits(tag.uid);
    return line;
}

void RunLog::Red(std::string_view text, std::int32_t status) {
    feed::AppendLog(status, text, feed::kRed);
    failureText_ = std::string(text);
    failureCode_ = status;
}

void RunLog::Fail(const tag::Failure& failure, const tag::Key& standingKey) {
    Red(FailureText(failure), failure.status);
    if (failure.passwordStands) Password(standingKey, feed::kRed);
}

void RunLog::Password(const tag::Key& key, feed::Rgb colour) {
    std::string line;
    if (key != tag::kDefaultKey) {
        line = Message(text::msg::kPasswordIsNewKey);
    } else {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%02X%02X%02X%02X", key[0], key[1], key[2], key[3]);
        line = text::TrText(Table::Message, text::msg::kPasswordIsNow, digits);
    }
    if (colour == feed::kRed) {
        Red(line);
    } else {
        Blue(line);
    }
}

}  // namespace tagwright::panels
