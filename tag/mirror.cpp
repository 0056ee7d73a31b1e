// SPDX-License-Identifier: MIT
#include "mirror.h"

#include "page_transfer.h"
#include "read_back.h"

namespace tagwright::tag {

std::size_t MirrorRoom(MirrorKind kind) {
    switch (kind) {
        case MirrorKind::None:
            return 0;
        case MirrorKind::UidOnly:
            return 14;
        case MirrorKind::Counter:
            return 6;
        case MirrorKind::Both:
            return 14 + 1 + 6;
    }
    return 0;
}

std::string PlaceMirrorRoom(std::string_view url, MirrorKind kind, char fill) {
    std::string room;
    if (kind == MirrorKind::Both) {
        room = std::string(14, fill) + 'x' + std::string(6, fill);
    } else {
        room.assign(MirrorRoom(kind), fill);
    }
    const auto at = url.find(kMirrorMarker);
    if (at == std::string_view::npos) return std::string(url) + room;
    return std::string(url.substr(0, at)) + room +
           std::string(url.substr(at + kMirrorMarker.size()));
}

bool HasMirror(ModelCode model) {
    return model == kNtag213 || model == kNtag215 || model == kNtag216;
}

Outcome SetMirror(TagLink link, ModelCode model, MirrorKind kind, std::size_t address) {
    const PageLookup config = ConfigurationPage(model);
    if (!HasMirror(model) || config.kind != PageLookup::Kind::Page) {
        return Failure{Problem::NoMirror};
    }
    // The whole mirror lies in the user pages, from page 4 to the dynamic lock page.
    const std::size_t page = address / 4;
    if (page < kFirstDataPage || (address + MirrorRoom(kind) + 3) / 4 > config.page - 1u) {
        return Failure{Problem::NoMirror};
    }
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    Block block{};
    if (auto failure = ReadBlockOrFail(step, config.page, block)) return failure;
    const auto conf = static_cast<std::uint8_t>(static_cast<int>(kind) << 6);
    const auto byte = static_cast<std::uint8_t>((address % 4) << 4);
    // MIRROR_CONF and MIRROR_BYTE replaced; STRG_MOD_EN and the reserved bits kept.
    const auto mirror = static_cast<std::uint8_t>((block[0] & 0x0F) | conf | byte);
    const PageImage cfg0{mirror, block[1], static_cast<std::uint8_t>(page), block[3]};
    if (auto failure = WritePageOrFail(step, config.page, cfg0)) return failure;
    return ReadBackPages(step, model, written);
}

Outcome ClearMirror(TagLink link, ModelCode model) {
    const PageLookup config = ConfigurationPage(model);
    if (!HasMirror(model) || config.kind != PageLookup::Kind::Page) return std::nullopt;
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    Block block{};
    if (auto failure = ReadBlockOrFail(step, config.page, block)) return failure;
    if ((block[0] >> 6) == 0) return std::nullopt;
    const PageImage cfg0{static_cast<std::uint8_t>(block[0] & 0x0F), block[1], 0, block[3]};
    if (auto failure = WritePageOrFail(step, config.page, cfg0)) return failure;
    return ReadBackPages(step, model, written);
}

}  // namespace tagwright::tag
