// SPDX-License-Identifier: MIT
// Moving bytes between the tag and the engine: 16-byte block reads and 4-byte page writes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "detection.h"

namespace tagwright::tag {

using Block = std::array<std::uint8_t, 16>;
using PageImage = std::array<std::uint8_t, 4>;

inline constexpr std::uint8_t kCapabilityContainerPage = 3;
inline constexpr std::uint8_t kFirstDataPage = 4;

// One READ of four pages; on failure the status is returned and nothing is reported.
std::int32_t ReadBlock(TagLink link, std::uint8_t page, Block& block);
// The same, reporting "Read faild: Page%d !" (red) on failure.
bool ReadBlockOrReport(TagLink link, std::uint8_t page, Block& block);
// One WRITE, reporting "Write faild: Page%d !" (red) on failure.
bool WritePageOrReport(TagLink link, std::uint8_t page, const PageImage& data);

// Writes the image from page 4 on, ceil(messageSize / 4) pages; the image must hold that many
// whole pages. Reports the page that failed, and each page written to the link's progress.
bool WriteMessage(TagLink link, std::span<const std::uint8_t> image, std::size_t messageSize);

// Reads blocks at pages 4, 8, 12, ... until at least `total` bytes are held; the buffer has
// total + 16 bytes, zero beyond what was read. Reports the block that failed.
std::optional<std::vector<std::uint8_t>> ReadMessage(TagLink link, std::size_t total);

}  // namespace tagwright::tag
