// SPDX-License-Identifier: MIT
#include "lock.h"

#include "log/log_feed.h"
#include "page_transfer.h"
#include "read_back.h"
#include "text/text_tables.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kStaticLockPage = 2;

}  // namespace

bool LockTag(TagLink link, ModelCode model) {
    const PageLookup dynamic = DynamicLockPage(model);
    if (dynamic.kind == PageLookup::Kind::Unknown) {
        feed::AppendLog(0, text::Tr(text::Table::Message, text::msg::kDynamicLockAddressUnknown),
                        feed::kRed);
        return false;
    }
    // The step reads back its own pages; a read-back of the whole Write need not again.
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    if (dynamic.kind == PageLookup::Kind::Page) {
        Block block{};
        if (!ReadBlockOrReport(step, dynamic.page, block)) return false;
        PageImage page{block[0], block[1], block[2], block[3]};
        SetDynamicLockBytes(model, page.data());
        if (!WritePageOrReport(step, dynamic.page, page)) return false;
    }
    Block block{};
    if (!ReadBlockOrReport(step, kStaticLockPage, block)) return false;
    const PageImage page{block[0], block[1], 0xFF, 0xFF};
    if (!WritePageOrReport(step, kStaticLockPage, page)) return false;
    // A lock byte that did not take leaves pages writable: only a read shows it.
    if (!ReadBackPages(step, model, written)) return false;
    feed::AppendLog(0, text::Tr(text::Table::Message, text::msg::kLockTagSuccess), feed::kBlue);
    return true;
}

}  // namespace tagwright::tag
