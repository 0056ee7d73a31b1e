// SPDX-License-Identifier: MIT
#include "password.h"

#include <cstdio>

#include "log/log_feed.h"
#include "page_transfer.h"
#include "read_back.h"
#include "text/text_tables.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kProtectFromPage0 = 0x00;
constexpr std::uint8_t kProtectNothing = 0xFF;

void Report(int entry, feed::Rgb colour) {
    feed::AppendLog(0, text::Tr(text::Table::Message, entry), colour);
}

// Once the password page took, the operator must know which key the tag now answers to, even
// when a later step fails; a tag that refused the key when it was proven is not said to answer
// to it. A key the operator chose is named by its field, never by its digits: logs are kept and
// shown where keys must not be. The default key is no secret.
void ReportPassword(const Key& key, feed::Rgb colour) {
    if (key != kDefaultKey) {
        Report(text::msg::kPasswordIsNewKey, colour);
        return;
    }
    char digits[9];
    std::snprintf(digits, sizeof digits, "%02X%02X%02X%02X", key[0], key[1], key[2], key[3]);
    feed::AppendLog(0, text::TrText(text::Table::Message, text::msg::kPasswordIsNow, digits),
                    colour);
}

// Where AUTH0 lies; reports why a model without a known configuration page cannot be protected
// or cleared: NTAG203 has no password, and an unknown model's pages are not known.
bool ConfigurationKnown(const PageLookup& config) {
    if (config.kind == PageLookup::Kind::NotSupported) {
        Report(text::msg::kNoPasswordSupport, feed::kRed);
        return false;
    }
    if (config.kind == PageLookup::Kind::Unknown) {
        Report(text::msg::kAuth0AddressUnknown, feed::kRed);
        return false;
    }
    return true;
}

// The password page reads as zeros, so a PWD_AUTH with the key written is its read-back; done
// first, it also authenticates a Write that was not, so that the READ of the configuration page
// and the lock step that may follow reach a tag protected now. A NAK is the tag refusing that
// key. Any other failure leaves the acknowledged password write standing, as does a READ that
// fails or differs once the key was taken: the operator is told which key the tag answers to.
bool ReadBackProtection(TagLink step, ModelCode model, const PageWrites& written,
                        std::uint8_t passwordPage, const Key& key) {
    if (const std::int32_t proof = ProvePassword(step, passwordPage, key); proof != 0) {
        if (!IsNak(proof)) ReportPassword(key, feed::kRed);
        return false;
    }
    if (ReadBackPages(step, model, written)) return true;
    ReportPassword(key, feed::kRed);
    return false;
}

// Reads the configuration page, sets AUTH0 and writes it back.
bool WriteAuth0(TagLink link, std::uint8_t configPage, std::uint8_t auth0) {
    Block block{};
    if (!ReadBlockOrReport(link, configPage, block)) return false;
    const PageImage page{block[0], block[1], block[2], auth0};
    return WritePageOrReport(link, configPage, page);
}

}  // namespace

std::int32_t PwdAuth(TagLink link, const Key& key) {
    std::array<std::uint8_t, 2> pack{};
    std::uint8_t length = 0;
    return link.api.TyA_NTAG_PwdAuth(link.handle, key.data(), pack.data(), &length);
}

bool Authenticate(TagLink link, const Key& key) {
    return PwdAuth(link, key) == 0;
}

StepResult SetPassword(TagLink link, ModelCode model, const Key& newKey) {
    const PageLookup config = ConfigurationPage(model);
    if (!ConfigurationKnown(config)) return StepResult::Stopped;
    const auto passwordPage = static_cast<std::uint8_t>(config.page + 2);
    // The step reads back its own pages; a read-back of the whole Write need not again.
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    Block block{};
    if (!ReadBlockOrReport(step, config.page, block)) return StepResult::Stopped;
    if (!WritePageOrReport(step, passwordPage, newKey)) return StepResult::Stopped;
    const PageImage auth0{block[0], block[1], block[2], kProtectFromPage0};
    if (!WritePageOrReport(step, config.page, auth0)) {
        ReportPassword(newKey, feed::kRed);
        return StepResult::Stopped;
    }
    if (!ReadBackProtection(step, model, written, passwordPage, newKey)) return StepResult::Stopped;
    ReportPassword(newKey, feed::kBlue);
    Report(text::msg::kEncryptionSuccessful, feed::kBlue);
    return StepResult::Done;
}

bool ClearPassword(TagLink link, bool autoOperation, LastProcessedUid& last,
                   const Key& originalKey) {
    last.Clear();
    DetectedTag tag;
    if (WakeAndSelect(link, autoOperation, last, OperationKind::ClearKey, tag) !=
        DetectOutcome::Detected) {
        return false;
    }
    if (!Authenticate(link, originalKey)) {
        Report(text::msg::kAuthenticationKeyFail, feed::kRed);
        return false;
    }
    tag.answeredPwdAuth = true;
    if (IdentifyModel(link, tag) != DetectOutcome::Detected) return false;
    const PageLookup config = ConfigurationPage(tag.model);
    if (!ConfigurationKnown(config)) return false;
    // A tag that names a smaller model than it is would have its user pages overwritten.
    Block cc{};
    if (!ReadBlockOrReport(link, kCapabilityContainerPage, cc)) return false;
    if (!CapacityFitsModel(tag.model, cc[2])) return false;
    // A refused GET_VERSION made identification select the tag again, which ended the
    // authentication the configuration pages need.
    if (tag.reselected && !Authenticate(link, originalKey)) {
        Report(text::msg::kAuthenticationKeyFail, feed::kRed);
        return false;
    }
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    const auto passwordPage = static_cast<std::uint8_t>(config.page + 2);
    if (!WriteAuth0(step, config.page, kProtectNothing)) return false;
    if (!WritePageOrReport(step, passwordPage, kDefaultKey)) return false;
    if (!ReadBackProtection(step, tag.model, written, passwordPage, kDefaultKey)) return false;
    ReportPassword(kDefaultKey, feed::kBlue);
    Report(text::msg::kPasswordCleared, feed::kBlue);
    return true;
}

}  // namespace tagwright::tag
