// SPDX-License-Identifier: MIT
#include "detection.h"

#include <algorithm>
#include <cstdio>

namespace tagwright::tag {
namespace {

constexpr std::size_t kStorageSizeByte = 6;

Detection Unrecognized(std::int32_t status) {
    return {DetectOutcome::Unrecognized, Failure{Problem::ModelUnknown, status}};
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

// After a NAK the tag waits for a new wake-up and selection.
Outcome ReselectAfterNak(TagLink link, DetectedTag& tag) {
    const char* failed = nullptr;
    tag.reselected = true;
    if (const auto status = Reselect(link, tag, failed); status != 0) {
        return CallFailure(failed, status);
    }
    return std::nullopt;
}

Detection Identified() {
    return {DetectOutcome::Detected, std::nullopt};
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

Detection WakeAndSelect(TagLink link, LastProcessedUid& last, DetectedTag& tag) {
    const std::int32_t request = link.api.TyA_Request(link.handle, kWakeUpRequest, tag.atqa.data());
    if (request != 0) {
        last.Clear();
        // A reader that is gone is no empty field: waiting for a card would wait for good.
        const auto outcome = ReaderGone(request) ? DetectOutcome::ReaderGone : DetectOutcome::NoTag;
        return {outcome, CallFailure("TyA_Request", request)};
    }

    std::array<std::uint8_t, 8> uidBuffer{};
    std::uint8_t uidLength = 0;
    if (link.api.TyA_NTAG_AnticollSelect(link.handle, uidBuffer.data(), &uidLength) != 0) {
        return {DetectOutcome::NotSelectable, Failure{Problem::NotNtag}};
    }
    std::copy_n(uidBuffer.begin(), tag.uid.size(), tag.uid.begin());

    if (tag.uid == last.bytes) return {DetectOutcome::AlreadyHandled, std::nullopt};
    last.bytes = tag.uid;
    return Identified();
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
    return declared > NextSmallerUserMemory(model) && declared <= known->userMemoryCap;
}

Detection IdentifyModel(TagLink link, DetectedTag& tag) {
    if (tag.atqa[0] != 0x44 || tag.atqa[1] != 0x00) {
        return {DetectOutcome::NotNtag, Failure{Problem::NotNtag}};
    }
    std::array<std::uint8_t, 8> version{};
    std::int32_t status = AskVersion(link, version);
    if (IsNak(status)) {
        // NTAG203 does not know GET_VERSION; an NTAG21x gives its signature where NTAG203 refuses.
        if (auto failure = ReselectAfterNak(link, tag))
            return {DetectOutcome::ReaderError, failure};
        const std::int32_t probe = AskSignature(link);
        // NTAG203 has no password: a tag that accepted one is an NTAG21x refusing to say which.
        if (IsNak(probe) && tag.answeredPwdAuth) return Unrecognized(probe);
        if (IsNak(probe)) {
            if (auto failure = ReselectAfterNak(link, tag)) {
                return {DetectOutcome::ReaderError, failure};
            }
            tag.model = kNtag203;
            return Identified();
        }
        if (probe != 0) return Unrecognized(probe);
        status = AskVersion(link, version);
    }
    if (status != 0) return Unrecognized(status);
    // Code 0 stands for NTAG203, which never answers GET_VERSION.
    if (version[kStorageSizeByte] == kNtag203) return Unrecognized(0);
    tag.model = version[kStorageSizeByte];
    return Identified();
}

}  // namespace tagwright::tag
