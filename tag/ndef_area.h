// SPDX-License-Identifier: MIT
// The checks with which every Read and Write meets the tag's data area: the capability
// container, the capacity, and the NDEF TLV among the first 16 bytes of page 4.
#pragma once

#include <optional>

#include "failure.h"
#include "ndef/ndef_tlv.h"
#include "page_transfer.h"

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

// Whether the area could not be opened because the tag refused the capability container's READ,
// as a model with a password does when its reads are protected and its key was not given.
bool ReadsNeedKey(const Failure& failure, ModelCode model);

// After that refusal: selects the tag again and reads the capability container once more. True
// when the tag refuses it again: its reads are protected, and it is selected anew, ready for
// PWD_AUTH. False when it answers: the first refusal was a fault, and stands. Nothing when the
// tag cannot be selected again.
std::optional<bool> ConfirmReadsProtected(TagLink link, DetectedTag& tag);

// The NDEF TLV's length field: its three bytes follow the tag, continuing in the block at
// page 8 when the tag stands in the last three bytes of page 4's block.
Result<ndef::TlvLength> ReadNdefLength(TagLink link, const NdefArea& area);

}  // namespace tagwright::tag
