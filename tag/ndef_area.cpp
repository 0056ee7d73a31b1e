// SPDX-License-Identifier: MIT
#include "ndef_area.h"

namespace tagwright::tag {

Result<NdefArea> OpenNdefArea(TagLink link, ModelCode model, AreaUse use,
                              std::optional<std::uint16_t> capacityLimit) {
    Block cc{};
    if (auto failure = ReadBlockOrFail(link, kCapabilityContainerPage, cc)) return *failure;
    if (cc[0] != 0xE1 || cc[1] != 0x10) return Failure{Problem::NotNdef};
    if (cc[3] != 0x00) return Failure{Problem::Locked};
    if (use == AreaUse::Write && !CapacityFitsModel(model, cc[2])) {
        return Failure{Problem::ModelUnknown};
    }
    NdefArea area;
    area.capacity = CapUserMemory(model, static_cast<std::uint16_t>(cc[2] * 8));
    if (capacityLimit && area.capacity > *capacityLimit) return Failure{Problem::BufferTooSmall};
    if (auto failure = ReadBlockOrFail(link, kFirstDataPage, area.firstBlock)) return *failure;
    const auto offset = ndef::FindNdefTlv(area.firstBlock);
    if (!offset) return Failure{Problem::NotNdef};
    area.ndefOffset = *offset;
    return area;
}

bool ReadsProtected(TagLink link, DetectedTag& tag, const Failure& failure) {
    if (failure.problem != Problem::ReadFailed || !failure.refused ||
        failure.page != kCapabilityContainerPage ||
        ConfigurationPage(tag.model).kind != PageLookup::Kind::Page) {
        return false;
    }
    // The refusal left the tag idle.
    const char* failed = nullptr;
    if (Reselect(link, tag, failed) != 0) return false;
    Block cc{};
    const std::int32_t status = ReadBlock(link, kCapabilityContainerPage, cc);
    return status != 0 && IsNak(status) && Reselect(link, tag, failed) == 0;
}

Result<NdefArea> OpenWithKey(TagLink link, DetectedTag& tag, const Key& key, AreaUse use,
                             std::optional<std::uint16_t> capacityLimit) {
    if (auto failure = AuthenticateOrFail(link, key)) return *failure;
    tag.answeredPwdAuth = true;
    // The key was taken after the last selection.
    tag.reselected = false;
    return OpenNdefArea(link, tag.model, use, capacityLimit);
}

Result<ndef::TlvLength> ReadNdefLength(TagLink link, const NdefArea& area) {
    std::array<std::uint8_t, 32> both{};
    std::copy(area.firstBlock.begin(), area.firstBlock.end(), both.begin());
    const std::size_t first = std::size_t{area.ndefOffset} + 1;
    if (first + 3 > 16) {
        Block next{};
        if (auto failure = ReadBlockOrFail(link, 8, next)) return *failure;
        std::copy(next.begin(), next.end(), both.begin() + 16);
    }
    return ndef::DecodeTlvLength(std::span<const std::uint8_t, 3>(both.data() + first, 3));
}

}  // namespace tagwright::tag
