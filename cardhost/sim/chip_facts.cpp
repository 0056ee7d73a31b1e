// SPDX-License-Identifier: MIT
#include "chip_facts.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace cardhost::sim {
namespace {

using V = std::array<std::uint8_t, 8>;

constexpr std::array<ChipFacts, 6> kFacts{{
    {ChipModel::Ntag203, "NTAG203", 0x29, 0x27, 0x12, 0x28, std::nullopt, 4, std::nullopt,
     V{0x01, 0x03, 0xA0, 0x10, 0x44, 0x03, 0x00, 0xFE}},
    {ChipModel::Ntag210, "NTAG210", 0x13, 0x0F, 0x06, std::nullopt, 0x10, 0,
     V{0x00, 0x04, 0x04, 0x01, 0x01, 0x00, 0x0B, 0x03},
     V{0x03, 0x00, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {ChipModel::Ntag212, "NTAG212", 0x28, 0x23, 0x10, 0x24, 0x25, 2,
     V{0x00, 0x04, 0x04, 0x01, 0x01, 0x00, 0x0E, 0x03},
     V{0x01, 0x03, 0x90, 0x0A, 0x34, 0x03, 0x00, 0xFE}},
    {ChipModel::Ntag213, "NTAG213", 0x2C, 0x27, 0x12, 0x28, 0x29, 2,
     V{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x0F, 0x03},
     V{0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03, 0x00, 0xFE}},
    {ChipModel::Ntag215, "NTAG215", 0x86, 0x81, 0x3E, 0x82, 0x83, 16,
     V{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x11, 0x03},
     V{0x03, 0x00, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {ChipModel::Ntag216, "NTAG216", 0xE6, 0xE1, 0x6D, 0xE2, 0xE3, 16,
     V{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x13, 0x03},
     V{0x03, 0x00, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00}},
}};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

}  // namespace

const ChipFacts& FactsOf(ChipModel model) {
    return kFacts[static_cast<std::size_t>(model)];
}

std::optional<ChipModel> ModelFromName(std::string_view name) {
    const std::string wanted = Lower(name);
    for (const ChipFacts& facts : kFacts) {
        const std::string full = Lower(facts.name);
        if (wanted == full || wanted == full.substr(4)) return facts.model;
    }
    return std::nullopt;
}

std::optional<Layout> LayoutFromName(std::string_view name) {
    const std::string wanted = Lower(name);
    if (wanted == "datasheet") return Layout::Datasheet;
    if (wanted == "plain") return Layout::Plain;
    return std::nullopt;
}

std::string_view LayoutName(Layout layout) {
    return layout == Layout::Datasheet ? "datasheet" : "plain";
}

}  // namespace cardhost::sim
