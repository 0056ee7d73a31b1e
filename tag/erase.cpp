// SPDX-License-Identifier: MIT
#include "erase.h"

#include <algorithm>

#include "access_byte.h"
#include "mirror.h"
#include "ndef_area.h"
#include "page_transfer.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kStaticLockPage = 2;

// Whether any static or dynamic lock bit is set: such a tag is not erased at all.
Result<bool> AnyLockBitSet(TagLink link, ModelCode model) {
    Block block{};
    if (auto failure = ReadBlockOrFail(link, kStaticLockPage, block)) return *failure;
    if (block[2] != 0 || block[3] != 0) return true;
    const NtagModel* known = FindModel(model);
    if (known == nullptr || !known->dynamicLockPage) return false;
    if (auto failure = ReadBlockOrFail(link, *known->dynamicLockPage, block)) return *failure;
    return std::any_of(block.begin(), block.begin() + known->dynamicLockBytes,
                       [](std::uint8_t b) { return b != 0; });
}

// Whether a password protects any page: AUTH0 within the tag's memory. NTAG203 has none. A
// protected tag whose configuration is locked (CFGLCK) could not be opened again after its data
// was erased: it counts as locked.
Result<bool> PasswordProtected(TagLink link, ModelCode model) {
    const PageLookup config = ConfigurationPage(model);
    if (config.kind != PageLookup::Kind::Page) return false;
    Block block{};
    if (auto failure = ReadBlockOrFail(link, config.page, block)) return *failure;
    // The password page is the configuration page + 2 and the PACK page follows it: the last.
    const bool protectedTag = block[3] <= config.page + 3;
    if (protectedTag && (block[4] & kAccessConfigLock)) return Failure{Problem::Locked};
    return protectedTag;
}

// The data area in its delivery state: what stands before the NDEF TLV, an empty message, zeros.
std::vector<std::uint8_t> DeliveryImage(const std::vector<std::uint8_t>& held,
                                        const NdefArea& area) {
    std::vector<std::uint8_t> image(area.capacity, 0);
    std::copy_n(held.begin(), area.ndefOffset, image.begin());
    const std::uint8_t empty[] = {ndef::kNdefTlv, 0x00, ndef::kTerminatorTlv};
    std::copy(std::begin(empty), std::end(empty), image.begin() + area.ndefOffset);
    return image;
}

}  // namespace

Result<Erased> EraseTag(TagLink link, const DetectedTag& tag, bool authenticated,
                        const Key& originalKey) {
    // Neither its lock pages nor its protection would be known.
    if (FindModel(tag.model) == nullptr) return Failure{Problem::ModelUnknown};
    const auto area = OpenNdefArea(link, tag.model, AreaUse::Write);
    if (!area) return area.failure();
    // The empty message must fit behind what stands before it.
    if (area->capacity < area->ndefOffset + 3u) return Failure{Problem::BufferTooSmall};
    const auto locked = AnyLockBitSet(link, tag.model);
    if (!locked) return locked.failure();
    if (*locked) return Failure{Problem::Locked};
    const auto protectedTag = PasswordProtected(link, tag.model);
    if (!protectedTag) return protectedTag.failure();
    if (*protectedTag && !authenticated) return Failure{Problem::KeyRefused};
    // A mirror left on would overlay the empty message with the UID.
    if (auto failure = ClearMirror(link, tag.model)) return *failure;

    const auto held = ReadMessage(link, area->capacity);
    if (!held) return held.failure();
    const std::vector<std::uint8_t> image = DeliveryImage(*held, *area);
    for (std::size_t i = 0; i + 4 <= image.size(); i += 4) {
        if (std::equal(image.begin() + i, image.begin() + i + 4, held->begin() + i)) continue;
        const PageImage page{image[i], image[i + 1], image[i + 2], image[i + 3]};
        if (auto failure =
                WritePageOrFail(link, static_cast<std::uint8_t>(kFirstDataPage + i / 4), page)) {
            return *failure;
        }
    }
    if (!*protectedTag) return Erased{};
    if (auto failure = ClearProtection(link, tag, originalKey)) return *failure;
    return Erased{true};
}

}  // namespace tagwright::tag
