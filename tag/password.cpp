// SPDX-License-Identifier: MIT
#include "password.h"

#include "access_byte.h"
#include "page_transfer.h"
#include "read_back.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kProtectFromPage0 = 0x00;
constexpr std::uint8_t kProtectNothing = 0xFF;
// The PACK page as a tag leaves the factory: PACK 00 00, the reserved bytes 00.
constexpr PageImage kFactoryPackPage{kFactoryPack[0], kFactoryPack[1], 0, 0};

// Where AUTH0 lies, or why a model cannot be protected or cleared: NTAG203 has no password, and
// an unknown model's pages are not known.
Result<std::uint8_t> ConfigurationPageOf(ModelCode model) {
    const PageLookup config = ConfigurationPage(model);
    if (config.kind == PageLookup::Kind::NotSupported) return Failure{Problem::NoPassword};
    if (config.kind == PageLookup::Kind::Unknown) return Failure{Problem::Auth0Unknown};
    return config.page;
}

Failure PasswordStands(Failure failure) {
    failure.passwordStands = true;
    return failure;
}

// The password page reads as zeros, so a PWD_AUTH with the key written is its read-back; done
// first, it also authenticates a Write that was not, so that the READ of the configuration page
// and the lock step that may follow reach a tag protected now. A NAK is the tag refusing that
// key. Any other failure leaves the acknowledged password write standing, as does a READ that
// fails or differs once the key was taken.
Outcome ReadBackProtection(TagLink step, ModelCode model, const PageWrites& written,
                           std::uint8_t passwordPage, const Key& key) {
    if (auto failure = ProvePassword(step, passwordPage, key)) {
        return IsNak(failure->status) ? *failure : PasswordStands(*failure);
    }
    if (auto failure = ReadBackPages(step, model, written)) return PasswordStands(*failure);
    return std::nullopt;
}

// Writes ACCESS (bytes 4 to 7 of the configuration block) with PROT as asked, when it is not so
// already: a configuration locked since would refuse even the same byte.
Outcome WriteProt(TagLink link, std::uint8_t configPage, const Block& block, bool prot) {
    const auto access =
        static_cast<std::uint8_t>(prot ? block[4] | kAccessProt : block[4] & ~kAccessProt);
    if (access == block[4]) return std::nullopt;
    const PageImage page{access, block[5], block[6], block[7]};
    return WritePageOrFail(link, static_cast<std::uint8_t>(configPage + 1), page);
}

}  // namespace

Pack DerivedPack(const Key& key) {
    return {static_cast<std::uint8_t>(key[0] ^ key[2]), static_cast<std::uint8_t>(key[1] ^ key[3])};
}

bool PackExpected(TagLink link, const Key& key, const Pack& answered) {
    return answered == DerivedPack(key) || (link.pack != nullptr && answered == *link.pack) ||
           answered == kFactoryPack;
}

std::int32_t PwdAuth(TagLink link, const Key& key, Pack* answered) {
    Pack pack{};
    std::uint8_t length = 0;
    const std::int32_t status =
        link.api.TyA_NTAG_PwdAuth(link.handle, key.data(), pack.data(), &length);
    if (answered != nullptr) *answered = pack;
    return status;
}

AuthOutcome Authenticate(TagLink link, const Key& key) {
    Pack answered{};
    if (PwdAuth(link, key, &answered) != 0) return AuthOutcome::Refused;
    return PackExpected(link, key, answered) ? AuthOutcome::Accepted : AuthOutcome::WrongPack;
}

Outcome AuthenticateOrFail(TagLink link, const Key& key) {
    switch (Authenticate(link, key)) {
        case AuthOutcome::Accepted:
            return std::nullopt;
        case AuthOutcome::Refused:
            return Failure{Problem::KeyRefused};
        case AuthOutcome::WrongPack:
            return Failure{Problem::WrongPack};
    }
    return Failure{Problem::KeyRefused};
}

Outcome SetPassword(TagLink link, ModelCode model, const Key& newKey, Protection protection) {
    const auto config = ConfigurationPageOf(model);
    if (!config) return config.failure();
    const auto passwordPage = static_cast<std::uint8_t>(*config + 2);
    // The step reads back its own pages; a read-back of the whole Write need not again.
    PageWrites written;
    const TagLink step{link.api, link.handle, &written, nullptr, link.pack};
    Block block{};
    if (auto failure = ReadBlockOrFail(step, *config, block)) return failure;
    // The factory PACK first, which goes with any key, then the password, then its PACK: a run
    // cut off between any two of them leaves a tag that its old key or the new one opens.
    const auto packPage = static_cast<std::uint8_t>(passwordPage + 1);
    if (auto failure = WritePageOrFail(step, packPage, kFactoryPackPage)) return failure;
    if (auto failure = WritePageOrFail(step, passwordPage, newKey)) return failure;
    const Pack pack = link.pack != nullptr ? *link.pack : DerivedPack(newKey);
    if (auto failure = WritePageOrFail(step, packPage, PageImage{pack[0], pack[1], 0, 0})) {
        return PasswordStands(*failure);
    }
    // PROT before AUTH0, so that reads are protected from the moment anything is.
    const bool prot = protection == Protection::ReadsAndWrites;
    if (auto failure = WriteProt(step, *config, block, prot)) return PasswordStands(*failure);
    // A tag protected already keeps its AUTH0 page as it is: one whose configuration is locked
    // (a resumed run that had gone as far as CFGLCK) would refuse even the same bytes.
    if (block[3] != kProtectFromPage0) {
        const PageImage auth0{block[0], block[1], block[2], kProtectFromPage0};
        if (auto failure = WritePageOrFail(step, *config, auth0)) return PasswordStands(*failure);
    }
    return ReadBackProtection(step, model, written, passwordPage, newKey);
}

Outcome ClearProtection(TagLink link, const DetectedTag& tag, const Key& originalKey) {
    const auto config = ConfigurationPageOf(tag.model);
    if (!config) return config.failure();
    // A refused GET_VERSION made identification select the tag again, which ended the
    // authentication the configuration pages need, and that a tag whose reads are protected
    // needs before anything is read.
    if (tag.reselected) {
        if (auto failure = AuthenticateOrFail(link, originalKey)) return failure;
    }
    // A tag that names a smaller model than it is would have its user pages overwritten.
    Block cc{};
    if (auto failure = ReadBlockOrFail(link, kCapabilityContainerPage, cc)) return failure;
    if (!CapacityFitsModel(tag.model, cc[2])) return Failure{Problem::ModelUnknown};
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    const auto passwordPage = static_cast<std::uint8_t>(*config + 2);
    Block block{};
    if (auto failure = ReadBlockOrFail(step, *config, block)) return failure;
    const PageImage open{block[0], block[1], block[2], kProtectNothing};
    if (auto failure = WritePageOrFail(step, *config, open)) return failure;
    // With AUTH0 past the last page PROT protects nothing; cleared, it cannot come back into
    // force with a later password that was meant to protect writes only.
    if (auto failure = WriteProt(step, *config, block, false)) return failure;
    // The factory PACK before the default password: it goes with the old key as with the new.
    if (auto failure =
            WritePageOrFail(step, static_cast<std::uint8_t>(passwordPage + 1), kFactoryPackPage)) {
        return failure;
    }
    if (auto failure = WritePageOrFail(step, passwordPage, kDefaultKey)) return failure;
    return ReadBackProtection(step, tag.model, written, passwordPage, kDefaultKey);
}

}  // namespace tagwright::tag
