// SPDX-License-Identifier: MIT
#include "mirror.h"

#include "ntag_model.h"
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

namespace {

// NTAG213, NTAG215 and NTAG216 say in MIRROR_CONF what they mirror; NTAG210 and NTAG212 have no
// such bits and mirror their UID wherever MIRROR_PAGE points into the user pages.
bool HasMirrorConf(ModelCode model) {
    return model == kNtag213 || model == kNtag215 || model == kNtag216;
}

bool MirrorOn(ModelCode model, const Block& cfg0) {
    return HasMirrorConf(model) ? (cfg0[0] >> 6) != 0 : cfg0[2] != 0;
}

}  // namespace

bool HasMirror(ModelCode model) {
    return HasMirrorConf(model) || model == kNtag210 || model == kNtag212;
}

bool CanMirror(ModelCode model, MirrorKind kind) {
    if (kind == MirrorKind::None) return true;
    if (kind == MirrorKind::UidOnly) return HasMirror(model);
    return HasMirrorConf(model);
}

Outcome SetMirror(TagLink link, ModelCode model, MirrorKind kind, std::size_t address) {
    const PageLookup config = ConfigurationPage(model);
    const NtagModel* facts = FindModel(model);
    if (kind == MirrorKind::None || !CanMirror(model, kind) || facts == nullptr ||
        config.kind != PageLookup::Kind::Page) {
        return Failure{Problem::NoMirror};
    }
    // The whole mirror lies in the user pages.
    const std::size_t page = address / 4;
    const std::size_t userEnd = kFirstDataPage * 4u + facts->userMemoryCap;
    if (page < kFirstDataPage || address + MirrorRoom(kind) > userEnd) {
        return Failure{Problem::NoMirror};
    }
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    Block block{};
    if (auto failure = ReadBlockOrFail(step, config.page, block)) return failure;
    const auto byte = static_cast<std::uint8_t>((address % 4) << 4);
    // MIRROR_BYTE replaced, and MIRROR_CONF where the model has it; the other bits kept.
    std::uint8_t mirror = 0;
    if (HasMirrorConf(model)) {
        const auto conf = static_cast<std::uint8_t>(static_cast<int>(kind) << 6);
        mirror = static_cast<std::uint8_t>((block[0] & 0x0F) | conf | byte);
    } else {
        mirror = static_cast<std::uint8_t>((block[0] & 0xCF) | byte);
    }
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
    if (!MirrorOn(model, block)) return std::nullopt;
    const auto keep = static_cast<std::uint8_t>(HasMirrorConf(model) ? 0x0F : 0xCF);
    const PageImage cfg0{static_cast<std::uint8_t>(block[0] & keep), block[1], 0, block[3]};
    if (auto failure = WritePageOrFail(step, config.page, cfg0)) return failure;
    return ReadBackPages(step, model, written);
}

}  // namespace tagwright::tag
