// SPDX-License-Identifier: MIT
#include "run_log.h"

#include <cstdio>

#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

using tag::Problem;
using text::Table;

std::string Message(int entry) {
    return std::string(text::Tr(Table::Message, entry));
}

std::string PageMessage(int entry, std::uint16_t page) {
    return text::TrNumber(Table::Message, entry, static_cast<long long>(page));
}

}  // namespace

std::string FailureText(const tag::Failure& failure) {
    switch (failure.problem) {
        case Problem::ReadFailed:
            return PageMessage(text::msg::kReadFailedPage, failure.page);
        case Problem::WriteFailed:
            return PageMessage(text::msg::kWriteFailedPage, failure.page);
        case Problem::VerifyFailed:
            return PageMessage(text::msg::kVerifyFailedPage, failure.page);
        case Problem::ReaderCall:
            return failure.call != nullptr ? failure.call : "";
        case Problem::NotNtag:
            return Message(text::msg::kNonNtagCard);
        case Problem::ModelUnknown:
            return Message(text::msg::kTagModelUnknown);
        case Problem::NotNdef:
            return Message(text::msg::kNonNdefTag);
        case Problem::Locked:
            return Message(text::msg::kTagIsLocked);
        case Problem::BufferTooSmall:
            return Message(text::msg::kBufferLengthNotEnough);
        case Problem::NoPassword:
            return Message(text::msg::kNoPasswordSupport);
        case Problem::Auth0Unknown:
            return Message(text::msg::kAuth0AddressUnknown);
        case Problem::DynamicLockUnknown:
            return Message(text::msg::kDynamicLockAddressUnknown);
        case Problem::KeyRefused:
            return Message(text::msg::kAuthenticationKeyFail);
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
