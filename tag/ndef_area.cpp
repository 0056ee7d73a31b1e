// SPDX-License-Identifier: MIT
#include "ndef_area.h"

#include "log/log_feed.h"
#include "text/text_tables.h"

namespace tagwright::tag {
namespace {

void Refuse(int entry) {
    feed::AppendLog(0, text::Tr(text::Table::Message, entry), feed::kRed);
}

}  // namespace

std::optional<NdefArea> OpenNdefArea(TagLink link, ModelCode model, AreaUse use,
                                     std::optional<std::uint16_t> capacityLimit) {
    Block cc{};
    if (!ReadBlockOrReport(link, kCapabilityContainerPage, cc)) return std::nullopt;
    if (cc[0] != 0xE1 || cc[1] != 0x10) {
        Refuse(text::msg::kNonNdefTag);
        return std::nullopt;
    }
    if (cc[3] != 0x00) {
        Refuse(text::msg::kTagIsLocked);
        return std::nullopt;
    }
    if (use == AreaUse::Write && !CapacityFitsModel(model, cc[2])) return std::nullopt;
    NdefArea area;
    area.capacity = CapUserMemory(model, static_cast<std::uint16_t>(cc[2] * 8));
    if (capacityLimit && area.capacity > *capacityLimit) {
        Refuse(text::msg::kBufferLengthNotEnough);
        return std::nullopt;
    }
    if (!ReadBlockOrReport(link, kFirstDataPage, area.firstBlock)) return std::nullopt;
    const auto offset = ndef::FindNdefTlv(area.firstBlock);
    if (!offset) {
        Refuse(text::msg::kNonNdefTag);
        return std::nullopt;
    }
    area.ndefOffset = *offset;
    return area;
}

std::optional<ndef::TlvLength> ReadNdefLength(TagLink link, const NdefArea& area) {
    std::array<std::uint8_t, 32> both{};
    std::copy(area.firstBlock.begin(), area.firstBlock.end(), both.begin());
    const std::size_t first = std::size_t{area.ndefOffset} + 1;
    if (first + 3 > 16) {
        Block next{};
        if (!ReadBlockOrReport(link, 8, next)) return std::nullopt;
        std::copy(next.begin(), next.end(), both.begin() + 16);
    }
    return ndef::DecodeTlvLength(std::span<const std::uint8_t, 3>(both.data() + first, 3));
}

}  // namespace tagwright::tag
