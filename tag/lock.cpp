// SPDX-License-Identifier: MIT
#include "lock.h"

#include "access_byte.h"
#include "page_transfer.h"
#include "read_back.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kStaticLockPage = 2;

}  // namespace

Outcome LockTag(TagLink link, ModelCode model) {
    const PageLookup dynamic = DynamicLockPage(model);
    if (dynamic.kind == PageLookup::Kind::Unknown) return Failure{Problem::DynamicLockUnknown};
    // The step reads back its own pages; a read-back of the whole Write need not again.
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    if (dynamic.kind == PageLookup::Kind::Page) {
        Block block{};
        if (auto failure = ReadBlockOrFail(step, dynamic.page, block)) return failure;
        PageImage page{block[0], block[1], block[2], block[3]};
        SetDynamicLockBytes(model, page.data());
        if (auto failure = WritePageOrFail(step, dynamic.page, page)) return failure;
    }
    Block block{};
    if (auto failure = ReadBlockOrFail(step, kStaticLockPage, block)) return failure;
    const PageImage page{block[0], block[1], 0xFF, 0xFF};
    if (auto failure = WritePageOrFail(step, kStaticLockPage, page)) return failure;
    // A lock byte that did not take leaves pages writable: only a read shows it.
    return ReadBackPages(step, model, written);
}

Outcome LockConfiguration(TagLink link, ModelCode model) {
    return SetAccessBits(link, model, kAccessConfigLock);
}

}  // namespace tagwright::tag
