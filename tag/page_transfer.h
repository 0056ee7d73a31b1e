// SPDX-License-Identifier: MIT
// Moving bytes between the tag and the engine: 16-byte block reads and 4-byte page writes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "detection.h"
#include "failure.h"

namespace tagwright::tag {

using Block = std::array<std::uint8_t, 16>;
using PageImage = std::array<std::uint8_t, 4>;

inline constexpr std::uint8_t kCapabilityContainerPage = 3;
inline constexpr std::uint8_t kFirstDataPage = 4;

// One READ of four pages; its status.
std::int32_t ReadBlock(TagLink link, std::uint8_t page, Block& block);
// The same, failing as ReadFailed at the page.
Outcome ReadBlockOrFail(TagLink link, std::uint8_t page, Block& block);
// One WRITE, failing as WriteFailed at the page.
Outcome WritePageOrFail(TagLink link, std::uint8_t page, const PageImage& data);

// Writes the image from page 4 on, ceil(messageSize / 4) pages; the image must hold that many
// whole pages. Fails at the page that failed; tells the link's progress of each page written.
Outcome WriteMessage(TagLink link, std::span<const std::uint8_t> image, std::size_t messageSize);

// Reads blocks at pages 4, 8, 12, ... until at least `total` bytes are held; the buffer has
// total + 16 bytes, zero beyond what was read. Fails at the block that failed.
Result<std::vector<std::uint8_t>> ReadMessage(TagLink link, std::size_t total);

}  // namespace tagwright::tag
