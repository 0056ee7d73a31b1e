// SPDX-License-Identifier: MIT
#include "read_back.h"

#include <algorithm>

#include "password.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kPagesPerRead = 4;

// What a READ of the page gives back after the write: the password page reads as zeros.
PageImage ExpectedReadBack(std::uint8_t page, const PageImage& written,
                           const PageLookup& passwordPage) {
    if (passwordPage.kind == PageLookup::Kind::Page && page == passwordPage.page) return {};
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
        const auto at = static_cast<std::ptrdiff_t>((page - *blockStart) * 4);
        const PageImage expected = ExpectedReadBack(page, written, passwordPage);
        if (!std::equal(expected.begin(), expected.end(), block.begin() + at)) {
            return PageFailure(Problem::VerifyFailed, page);
        }
    }
    return std::nullopt;
}

Outcome ProvePassword(TagLink link, std::uint8_t passwordPage, const PageImage& written) {
    const std::int32_t status = PwdAuth(link, written);
    if (status != 0) return PageFailure(Problem::VerifyFailed, passwordPage, status);
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
