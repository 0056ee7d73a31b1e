// SPDX-License-Identifier: MIT
#include "detection.h"

#include <algorithm>
#include <cstdio>

#include "log/log_feed.h"
#include "text/text_tables.h"

namespace tagwright::tag {
namespace {

using feed::kBlue;
using feed::kRed;
using text::Table;

constexpr std::uint8_t kRestLight = 1;
constexpr std::size_t kStorageSizeByte = 6;

DetectOutcome ReportUnrecognized(std::int32_t status) {
    feed::AppendLog(status, text::Tr(Table::Message, text::msg::kTagModelUnknown), kRed);
    return DetectOutcome::Unrecognized;
}

std::int32_t AskVersion(TagLink link, std::array<std::uint8_t, 8>& version) {
    std::uint8_t length = 0;
    return link.api.TyA_NTAG_GetVersion(link.handle, version.data(), &length);
}

std::int32_t AskSignature(TagLink link) {
    std::array<std::uint8_t, 32> signature{};
    std::uint8_t length = 0;
    return link.api.TyA_NTAG_ReadSig(link.handle, signature.data(), &length);
}

void LogIdentification(const DetectedTag& tag) {
    std::string line(ModelName(tag.model));
    line += ", ";
    line += tag.uidText;
    feed::AppendLog(0, line, kBlue);
}

std::string UidText(const Uid& uid) {
    return std::string(text::Tr(Table::Message, text::msg::kUidPrefix)) + UidDigits(uid);
}

// After a NAK the tag waits for a new wake-up and selection.
bool ReselectOrReport(TagLink link, DetectedTag& tag) {
    const char* failed = nullptr;
    tag.reselected = true;
    if (const auto status = Reselect(link, tag, failed); status != 0) {
        feed::AppendLog(status, failed, kRed);
        return false;
    }
    return true;
}

}  // namespace

std::string UidDigits(const Uid& uid) {
    std::string digits;
    for (const std::uint8_t byte : uid) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        digits += pair;
    }
    return digits;
}

bool LastProcessedUid::IsClear() const {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

DetectOutcome WakeAndSelect(TagLink link, bool autoOperation, LastProcessedUid& last,
                            OperationKind kind, DetectedTag& tag) {
    const std::int32_t request = link.api.TyA_Request(link.handle, kWakeUpRequest, tag.atqa.data());
    if (request != 0) {
        last.Clear();
        if (ReaderGone(request)) {
            // Not an empty field: waiting for a card would wait for good. The log is kept, so
            // that the last tag's lines (a page that failed half-way) stay above the error.
            feed::AppendLog(request, "TyA_Request", kRed);
            feed::ShowCallError(request, "TyA_Request");
            return DetectOutcome::ReaderGone;
        }
        if (autoOperation) {
            feed::ClearLog();
            feed::AppendLog(0, text::Tr(Table::Message, text::msg::kWaitingForCard), kBlue);
            link.api.Sys_SetLight(link.handle, kRestLight);
        } else {
            feed::AppendLog(request, "TyA_Request", kRed);
        }
        return DetectOutcome::NoTag;
    }

    std::array<std::uint8_t, 8> uidBuffer{};
    std::uint8_t uidLength = 0;
    if (link.api.TyA_NTAG_AnticollSelect(link.handle, uidBuffer.data(), &uidLength) != 0) {
        if (autoOperation) feed::ClearLog();
        feed::AppendLog(0, text::Tr(Table::Message, text::msg::kNonNtagCard), kRed);
        return DetectOutcome::NotSelectable;
    }
    std::copy_n(uidBuffer.begin(), tag.uid.size(), tag.uid.begin());

    if (tag.uid == last.bytes) return DetectOutcome::AlreadyHandled;
    last.bytes = tag.uid;

    if (kind != OperationKind::ClearKey) feed::ClearLog();
    tag.uidText = UidText(tag.uid);
    return DetectOutcome::Detected;
}

std::int32_t Reselect(TagLink link, DetectedTag& tag, const char*& failedFunction) {
    if (const auto status = link.api.TyA_Request(link.handle, kWakeUpRequest, tag.atqa.data());
        status != 0) {
        failedFunction = "TyA_Request";
        return status;
    }
    std::array<std::uint8_t, 8> uidBuffer{};
    std::uint8_t uidLength = 0;
    if (const auto status =
            link.api.TyA_NTAG_AnticollSelect(link.handle, uidBuffer.data(), &uidLength);
        status != 0) {
        failedFunction = "TyA_NTAG_AnticollSelect";
        return status;
    }
    return 0;
}

bool ReaderGone(std::int32_t status) {
    return status == CARDHOST_DETACHED;
}

bool IsNak(std::int32_t status) {
    return (status & ~std::int32_t{0x0F}) == CARDHOST_NAK_BASE;
}

bool CapacityFitsModel(ModelCode model, std::uint8_t ccSizeByte) {
    const NtagModel* known = FindModel(model);
    if (known == nullptr) return true;
    const unsigned declared = ccSizeByte * 8u;
    if (declared > NextSmallerUserMemory(model) && declared <= known->userMemoryCap) return true;
    ReportUnrecognized(0);
    return false;
}

DetectOutcome IdentifyModel(TagLink link, DetectedTag& tag) {
    if (tag.atqa[0] != 0x44 || tag.atqa[1] != 0x00) {
        feed::AppendLog(0, text::Tr(Table::Message, text::msg::kNonNtagCard), kRed);
        return DetectOutcome::NotNtag;
    }
    std::array<std::uint8_t, 8> version{};
    std::int32_t status = AskVersion(link, version);
    if (IsNak(status)) {
        // NTAG203 does not know GET_VERSION; an NTAG21x gives its signature where NTAG203 refuses.
        if (!ReselectOrReport(link, tag)) return DetectOutcome::ReaderError;
        const std::int32_t probe = AskSignature(link);
        // NTAG203 has no password: a tag that accepted one is an NTAG21x refusing to say which.
        if (IsNak(probe) && tag.answeredPwdAuth) return ReportUnrecognized(probe);
        if (IsNak(probe)) {
            if (!ReselectOrReport(link, tag)) return DetectOutcome::ReaderError;
            tag.model = kNtag203;
            LogIdentification(tag);
            return DetectOutcome::Detected;
        }
        if (probe != 0) return ReportUnrecognized(probe);
        status = AskVersion(link, version);
    }
    if (status != 0) return ReportUnrecognized(status);
    // Code 0 stands for NTAG203, which never answers GET_VERSION.
    if (version[kStorageSizeByte] == kNtag203) return ReportUnrecognized(0);
    tag.model = version[kStorageSizeByte];
    LogIdentification(tag);
    return DetectOutcome::Detected;
}

DetectOutcome DetectTag(TagLink link, bool autoOperation, LastProcessedUid& last,
                        OperationKind kind, DetectedTag& tag) {
    const DetectOutcome outcome = WakeAndSelect(link, autoOperation, last, kind, tag);
    if (outcome != DetectOutcome::Detected) return outcome;
    return IdentifyModel(link, tag);
}

}  // namespace tagwright::tag
