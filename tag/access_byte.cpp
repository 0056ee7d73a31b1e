// SPDX-License-Identifier: MIT
#include "access_byte.h"

#include "page_transfer.h"
#include "read_back.h"

namespace tagwright::tag {

Result<std::uint8_t> AccessPage(ModelCode model) {
    const PageLookup config = ConfigurationPage(model);
    if (config.kind == PageLookup::Kind::NotSupported) return Failure{Problem::NoPassword};
    if (config.kind == PageLookup::Kind::Unknown) return Failure{Problem::Auth0Unknown};
    return static_cast<std::uint8_t>(config.page + 1);
}

Outcome SetAccessBits(TagLink link, ModelCode model, std::uint8_t bits, std::uint8_t cleared) {
    const auto page = AccessPage(model);
    if (!page) return page.failure();
    // The step reads back its own page; a read-back of the whole Write need not again.
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    Block block{};
    if (auto failure = ReadBlockOrFail(step, *page, block)) return failure;
    const auto value = static_cast<std::uint8_t>((block[0] & ~cleared) | bits);
    // Nothing to write; a configuration locked meanwhile would refuse even the same byte.
    if (value == block[0]) return std::nullopt;
    const PageImage access{value, block[1], block[2], block[3]};
    if (auto failure = WritePageOrFail(step, *page, access)) return failure;
    return ReadBackPages(step, model, written);
}

Outcome SetAttemptLimit(TagLink link, ModelCode model, std::uint8_t limit) {
    return SetAccessBits(link, model, limit & kAccessAttemptLimit, kAccessAttemptLimit);
}

}  // namespace tagwright::tag
