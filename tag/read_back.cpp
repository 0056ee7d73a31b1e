// SPDX-License-Identifier: MIT
#include "read_back.h"

#include <algorithm>

#include "log/log_feed.h"
#include "password.h"
#include "text/text_tables.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kPagesPerRead = 4;

void ReportMismatch(std::uint8_t page, std::int32_t status = 0) {
    feed::AppendLog(status,
                    text::TrNumber(text::Table::Message, text::msg::kVerifyFailedPage, page),
                    feed::kRed);
}

// What a READ of the page gives back after the write: the password page reads as zeros.
PageImage ExpectedReadBack(std::uint8_t page, const PageImage& written,
                           const PageLookup& passwordPage) {
    if (passwordPage.kind == PageLookup::Kind::Page && page == passwordPage.page) return {};
    return written;
}

}  // namespace

bool ReadBackPages(TagLink link, ModelCode model, const PageWrites& writes) {
    const PageLookup passwordPage = PasswordPage(model);
    Block block{};
    std::optional<std::uint8_t> blockStart;
    for (const auto& [page, written] : writes.pages()) {
        // One READ covers four pages; read again only when the page lies beyond the last one.
        if (!blockStart || page >= *blockStart + kPagesPerRead) {
            if (!ReadBlockOrReport(link, page, block)) return false;
            blockStart = page;
        }
        const auto at = static_cast<std::ptrdiff_t>((page - *blockStart) * 4);
        const PageImage expected = ExpectedReadBack(page, written, passwordPage);
        if (!std::equal(expected.begin(), expected.end(), block.begin() + at)) {
            ReportMismatch(page);
            return false;
        }
    }
    return true;
}

std::int32_t ProvePassword(TagLink link, std::uint8_t passwordPage, const PageImage& written) {
    const std::int32_t status = PwdAuth(link, written);
    if (status != 0) ReportMismatch(passwordPage, status);
    return status;
}

bool VerifyWrites(TagLink link, ModelCode model, const PageWrites& writes) {
    if (!ReadBackPages(link, model, writes)) return false;
    const PageLookup passwordPage = PasswordPage(model);
    if (passwordPage.kind != PageLookup::Kind::Page) return true;
    // Last, as a refusal leaves the tag idle.
    const auto password = writes.pages().find(passwordPage.page);
    return password == writes.pages().end() ||
           ProvePassword(link, passwordPage.page, password->second) == 0;
}

}  // namespace tagwright::tag
