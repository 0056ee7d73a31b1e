// SPDX-License-Identifier: MIT
#include "run_log.h"

#include <cstdio>

#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

using tag::Problem;
using text::Table;

struct ProblemWords {
    Problem problem;
    int entry;  // of the message table
    bool namesPage;
};

constexpr ProblemWords kWords[] = {
    {Problem::ReadFailed, text::msg::kReadFailedPage, true},
    {Problem::WriteFailed, text::msg::kWriteFailedPage, true},
    {Problem::VerifyFailed, text::msg::kVerifyFailedPage, true},
    {Problem::NotNtag, text::msg::kNonNtagCard, false},
    {Problem::ModelUnknown, text::msg::kTagModelUnknown, false},
    {Problem::NotNdef, text::msg::kNonNdefTag, false},
    {Problem::Locked, text::msg::kTagIsLocked, false},
    {Problem::BufferTooSmall, text::msg::kBufferLengthNotEnough, false},
    {Problem::NoPassword, text::msg::kNoPasswordSupport, false},
    {Problem::Auth0Unknown, text::msg::kAuth0AddressUnknown, false},
    {Problem::DynamicLockUnknown, text::msg::kDynamicLockAddressUnknown, false},
    {Problem::KeyRefused, text::msg::kAuthenticationKeyFail, false},
};

std::string Message(int entry) {
    return std::string(text::Tr(Table::Message, entry));
}

}  // namespace

std::string FailureText(const tag::Failure& failure) {
    // A failed reader call is named as the reader library names it, in either language.
    if (failure.problem == Problem::ReaderCall) return failure.call != nullptr ? failure.call : "";
    for (const ProblemWords& words : kWords) {
        if (words.problem != failure.problem) continue;
        if (!words.namesPage) return Message(words.entry);
        return text::TrNumber(Table::Message, words.entry, static_cast<long long>(failure.page));
    }
    return {};
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
