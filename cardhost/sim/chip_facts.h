// SPDX-License-Identifier: MIT
// Per-model memory map and identity of the simulated NTAG chips.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace cardhost::sim {

enum class ChipModel : std::uint8_t { Ntag203, Ntag210, Ntag212, Ntag213, Ntag215, Ntag216 };

// Delivery contents of the first data pages.
enum class Layout : std::uint8_t {
    Datasheet,  // as the chip leaves the factory (Lock Control TLV where the datasheet has one)
    Plain,      // 03 00 FE 00 at page 4: NDEF TLV at offset 0
};

struct ChipFacts {
    ChipModel model;
    std::string_view name;
    std::uint8_t lastPage;
    std::uint8_t lastUserPage;
    std::uint8_t ccSizeByte;  // capability container byte 2 at delivery
    std::optional<std::uint8_t> dynamicLockPage;
    std::optional<std::uint8_t> cfg0Page;  // CFG0 (AUTH0 in byte 3); CFG1, PWD, PACK follow
    std::uint8_t pagesPerDynamicLockBit;
    std::optional<std::array<std::uint8_t, 8>> version;  // GET_VERSION answer; none: NAK
    std::array<std::uint8_t, 8> datasheetPages4And5;
};

const ChipFacts& FactsOf(ChipModel model);
std::optional<ChipModel> ModelFromName(std::string_view name);  // "NTAG213", "ntag213" or "213"
std::optional<Layout> LayoutFromName(std::string_view name);
std::string_view LayoutName(Layout layout);

}  // namespace cardhost::sim
