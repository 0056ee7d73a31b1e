// SPDX-License-Identifier: MIT
// The checks with which every Read and Write meets the tag's data area: the capability
// container, the capacity, and the NDEF TLV among the first 16 bytes of page 4.
#pragma once

#include <optional>

#include "failure.h"
#include "ndef/ndef_tlv.h"
#include "page_transfer.h"
#include "password.h"

namespace tagwright::tag {

struct NdefArea {
    Block firstBlock{};           // the 16 bytes read at page 4
    std::uint8_t ndefOffset = 0;  // t
    std::uint16_t capacity = 0;   // CC byte 2 x 8, capped to the model (Write only)
};

enum class AreaUse { Read, Write };

// Reads and checks the capability container, computes the capacity, reads page 4 and finds the
// NDEF TLV. Before a Write the container's size must fit the model (CapacityFitsModel); a Write
// whose buffer is smaller than the capacity passes its size as `capacityLimit` and is refused
// as BufferTooSmall.
Result<NdefArea> OpenNdefArea(TagLink link, ModelCode model, AreaUse use = AreaUse::Read,
                              std::optional<std::uint16_t> capacityLimit = std::nullopt);

// Whether the area could not be opened, with `failure`, because the tag's reads are protected: a
// model with a password refused the capability container's READ (a NAK), and refuses it again
// once selected anew, so that a fault is told apart from protection. When true, the tag is
// selected anew, ready for PWD_AUTH; when false, `failure` stands.
bool ReadsProtected(TagLink link, DetectedTag& tag, const Failure& failure);

// Such a tag opened with its key: PWD_AUTH (the PACK checked), then OpenNdefArea. The key stands
// until the tag is selected again.
Result<NdefArea> OpenWithKey(TagLink link, DetectedTag& tag, const Key& key,
                             AreaUse use = AreaUse::Read,
                             std::optional<std::uint16_t> capacityLimit = std::nullopt);

// The NDEF TLV's length field: its three bytes follow the tag, continuing in the block at
// page 8 when the tag stands in the last three bytes of page 4's block.
Result<ndef::TlvLength> ReadNdefLength(TagLink link, const NdefArea& area);

}  // namespace tagwright::tag
