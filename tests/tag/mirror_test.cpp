// SPDX-License-Identifier: MIT
// The UID and counter mirror on the in-memory chip: the configuration bytes SetMirror writes for
// a room at each byte of a page, the ASCII the chip answers READ and FAST_READ with there, and the
// places and models it refuses; NTAG210 and NTAG212 mirror the UID without MIRROR_CONF.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tag/mirror.h"
#include "tag/page_transfer.h"
#include "testing/chip_reader.h"

namespace tagwright::tag {
namespace {

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;

constexpr Uid kUid{0x04, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6};

TEST(MirrorRoom, TakesItsBytesWhereTheMarkerStandsOrAtTheEnd) {
    EXPECT_EQ(MirrorRoom(MirrorKind::None), 0u);
    EXPECT_EQ(MirrorRoom(MirrorKind::UidOnly), 14u);
    EXPECT_EQ(MirrorRoom(MirrorKind::Counter), 6u);
    EXPECT_EQ(MirrorRoom(MirrorKind::Both), 21u);
    EXPECT_EQ(PlaceMirrorRoom("a.b/?u={mirror}&x=1", MirrorKind::Both),
              "a.b/?u=00000000000000x000000&x=1");
    EXPECT_EQ(PlaceMirrorRoom("a.b/?c=", MirrorKind::Counter, '1'), "a.b/?c=111111");
    EXPECT_EQ(PlaceMirrorRoom("a.b/{mirror}{mirror}", MirrorKind::UidOnly),
              "a.b/00000000000000{mirror}");
}

class Mirror : public ::testing::Test {
  protected:
    void Place(ChipModel model) {
        NtagChip chip = NtagChip::FactoryNew(model, kUid, Layout::Plain);
        chip.RestoreCounters(0, 42, chip.signature());
        reader.Place(std::move(chip));
        LastProcessedUid last;
        DetectedTag tag;
        ASSERT_EQ(WakeAndSelect(link(), last, tag).outcome, DetectOutcome::Detected);
    }
    // What READ and FAST_READ answer for `count` bytes from byte `address` on.
    std::string Answered(std::size_t address, std::size_t count, bool fast) {
        const auto first = static_cast<std::uint8_t>(address / 4);
        const auto last = static_cast<std::uint8_t>((address + count - 1) / 4);
        std::vector<std::uint8_t> frame = fast ? std::vector<std::uint8_t>{0x3A, first, last}
                                               : std::vector<std::uint8_t>{0x30, first};
        const auto answer = reader.chip().Command(frame);
        // A READ answers 16 bytes, whatever is asked.
        const std::size_t from = address % 4;
        const std::size_t size = std::min(count, answer.data.size() - from);
        return std::string(answer.data.begin() + static_cast<std::ptrdiff_t>(from),
                           answer.data.begin() + static_cast<std::ptrdiff_t>(from + size));
    }
    TagLink link() { return {table, 1}; }

    testing::ChipReader reader;
    const reader::ReaderApi table = reader.api();
};

TEST_F(Mirror, TheChipAnswersItsUidAndCounterWhereTheConfigurationPointsOnEveryModel) {
    struct Model {
        ChipModel chip;
        ModelCode code;
        std::size_t cfg0;
        MirrorKind kind;    // the most the model mirrors
        std::uint8_t conf;  // what byte 0 holds besides MIRROR_BYTE
    };
    // NTAG210 and NTAG212 have no MIRROR_CONF: their byte 0 keeps its bits but MIRROR_BYTE.
    for (const Model& m : {Model{ChipModel::Ntag213, kNtag213, 0x29, MirrorKind::Both, 0xC4},
                           Model{ChipModel::Ntag215, kNtag215, 0x83, MirrorKind::Both, 0xC4},
                           Model{ChipModel::Ntag216, kNtag216, 0xE3, MirrorKind::Both, 0xC4},
                           Model{ChipModel::Ntag210, kNtag210, 0x10, MirrorKind::UidOnly, 0x04},
                           Model{ChipModel::Ntag212, kNtag212, 0x25, MirrorKind::UidOnly, 0x04}}) {
        const std::size_t cfg0 = m.cfg0;
        const std::string expected =
            m.kind == MirrorKind::Both ? "04A1B2C3D4E5F6x00002A" : "04A1B2C3D4E5F6";
        for (std::size_t byte = 0; byte < 4; ++byte) {
            SCOPED_TRACE(std::to_string(cfg0) + " byte " + std::to_string(byte));
            Place(m.chip);
            const std::size_t address = 10 * 4 + byte;  // page 10, each of its bytes
            ASSERT_FALSE(SetMirror(link(), m.code, m.kind, address));
            const auto& memory = reader.chip().memory();
            // MIRROR_CONF, MIRROR_BYTE, STRG_MOD_EN kept; MIRROR_PAGE; AUTH0 kept.
            EXPECT_EQ(memory[cfg0 * 4], m.conf | byte << 4);
            EXPECT_EQ(memory[cfg0 * 4 + 2], 10);
            EXPECT_EQ(memory[cfg0 * 4 + 3], 0xFF);
            // The memory keeps its bytes; READ (with the counter off, it stays at 42) and
            // FAST_READ answer the ASCII, running over the page boundaries.
            EXPECT_EQ(memory[address], 0x00);
            EXPECT_EQ(Answered(address, expected.size(), false).substr(0, 16 - byte),
                      expected.substr(0, 16 - byte));
            EXPECT_EQ(Answered(address, expected.size(), true), expected);
            EXPECT_EQ(Answered(address - 1, 1, true), std::string(1, '\0'));
            EXPECT_EQ(Answered(address + expected.size(), 1, true), std::string(1, '\0'));
        }
        // Switched off, the tag answers what it holds again.
        ASSERT_FALSE(ClearMirror(link(), m.code));
        EXPECT_EQ(reader.chip().memory()[cfg0 * 4], m.conf & 0x0F);
        EXPECT_EQ(reader.chip().memory()[cfg0 * 4 + 2], 0);
        EXPECT_EQ(Answered(43, 1, true), std::string(1, '\0'));
    }
    Place(ChipModel::Ntag213);
    ASSERT_FALSE(SetMirror(link(), kNtag213, MirrorKind::UidOnly, 16));
    EXPECT_EQ(Answered(16, 15, true), std::string("04A1B2C3D4E5F6") + '\0');
    EXPECT_EQ(reader.chip().memory()[0x29 * 4], 0x44);
    ASSERT_FALSE(SetMirror(link(), kNtag213, MirrorKind::Counter, 16));
    EXPECT_EQ(Answered(16, 7, true), std::string("00002A") + '\0');
}

TEST_F(Mirror, OnlyInTheUserPagesOfTheModelsThatHaveIt) {
    Place(ChipModel::Ntag213);
    // NTAG213's user pages end at page 39 (byte 159): 21 bytes fit from byte 139, not 140.
    EXPECT_FALSE(SetMirror(link(), kNtag213, MirrorKind::Both, 139));
    const auto refused = SetMirror(link(), kNtag213, MirrorKind::Both, 140);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->problem, Problem::NoMirror);
    EXPECT_TRUE(SetMirror(link(), kNtag213, MirrorKind::UidOnly, 15));
    // NTAG210's user pages run up to its configuration page: the UID fits from byte 50, not 51.
    Place(ChipModel::Ntag210);
    EXPECT_FALSE(SetMirror(link(), kNtag210, MirrorKind::UidOnly, 50));
    EXPECT_EQ(Answered(50, 14, true), "04A1B2C3D4E5F6");
    EXPECT_TRUE(SetMirror(link(), kNtag210, MirrorKind::UidOnly, 51));
    // NTAG212's end before its dynamic lock page 36: from byte 130, not 131.
    Place(ChipModel::Ntag212);
    EXPECT_FALSE(SetMirror(link(), kNtag212, MirrorKind::UidOnly, 130));
    EXPECT_EQ(Answered(130, 14, true), "04A1B2C3D4E5F6");
    EXPECT_TRUE(SetMirror(link(), kNtag212, MirrorKind::UidOnly, 131));
    // No counter on NTAG210 and NTAG212, no mirror at all on NTAG203.
    const std::pair<ChipModel, ModelCode> without[] = {{ChipModel::Ntag210, kNtag210},
                                                       {ChipModel::Ntag212, kNtag212},
                                                       {ChipModel::Ntag203, kNtag203}};
    for (const auto& [model, code] : without) {
        Place(model);
        for (const MirrorKind kind : {MirrorKind::Counter, MirrorKind::Both}) {
            const auto none = SetMirror(link(), code, kind, 16);
            ASSERT_TRUE(none);
            EXPECT_EQ(none->problem, Problem::NoMirror);
            EXPECT_FALSE(CanMirror(code, kind));
        }
        EXPECT_EQ(CanMirror(code, MirrorKind::UidOnly), code != kNtag203);
    }
}

}  // namespace
}  // namespace tagwright::tag
