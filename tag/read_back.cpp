// SPDX-License-Identifier: MIT
#include "read_back.h"

#include <algorithm>

#include "password.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kPagesPerRead = 4;

// What a READ of the page gives back after the write: the password and PACK pages read as zeros.
PageImage ExpectedReadBack(std::uint8_t page, const PageImage& written,
                           const PageLookup& passwordPage) {
    if (passwordPage.kind == PageLookup::Kind::Page &&
        (page == passwordPage.page || page == passwordPage.page + 1)) {
        return {};
    }
    return written;
}

}  // namespace

Outcome ReadBackPages(TagLink link, ModelCode model, const PageWrites& writes) {
    const PageLookup passwordPage = PasswordPage(model);
    Block block{};
    std::optional<std::uint8_t> blockStart;
    for (const auto& [page, written] : writes.pages()) {
        // One READ covers four pages; read again only when the page lies beyond the last one.
        if (!blockStart || page >= *blockStart + kPagesPerRead) {
            if (auto failure = ReadBlockOrFail(link, page, block)) return failure;
            blockStart = page;
        }
        const auto at = static_cast<std::size_t>((page - *blockStart) * 4);
        const PageImage expected = ExpectedReadBack(page, written, passwordPage);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (expected[i] != block[at + i] && !writes.Skipped(page * 4u + i)) {
                return PageFailure(Problem::VerifyFailed, page);
            }
        }
    }
    return std::nullopt;
}

Outcome ProvePassword(TagLink link, std::uint8_t passwordPage, const PageImage& written) {
    Pack answered{};
    const std::int32_t status = PwdAuth(link, written, &answered);
    if (status != 0) return PageFailure(Problem::VerifyFailed, passwordPage, status);
    // The PACK page this run wrote is the one the tag must answer; without one, any it may have.
    const auto packPage = static_cast<std::uint8_t>(passwordPage + 1);
    if (link.writes != nullptr) {
        const auto pack = link.writes->pages().find(packPage);
        if (pack != link.writes->pages().end()) {
            if (answered[0] != pack->second[0] || answered[1] != pack->second[1]) {
                return Failure{Problem::WrongPack};
            }
            return std::nullopt;
        }
    }
    if (!PackExpected(link, written, answered)) return Failure{Problem::WrongPack};
    return std::nullopt;
}

Outcome VerifyWrites(TagLink link, ModelCode model, const PageWrites& writes) {
    if (auto failure = ReadBackPages(link, model, writes)) return failure;
    const PageLookup passwordPage = PasswordPage(model);
    if (passwordPage.kind != PageLookup::Kind::Page) return std::nullopt;
    // Last, as a refusal leaves the tag idle.
    const auto password = writes.pages().find(passwordPage.page);
    if (password == writes.pages().end()) return std::nullopt;
    return ProvePassword(link, passwordPage.page, password->second);
}

}  // namespace tagwright::tag
