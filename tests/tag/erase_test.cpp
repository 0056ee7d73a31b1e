// SPDX-License-Identifier: MIT
// Erasing on the in-memory chip: every model and layout ends byte for byte in its delivery
// state, a locked tag is refused before anything is written, a protected one needs its key and
// ends unprotected, and a failed write names its page.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "tag/erase.h"
#include "testing/chip_reader.h"

namespace tagwright::tag {
namespace {

using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;
using Bytes = std::vector<std::uint8_t>;

constexpr Uid kUid{0x04, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76};
constexpr Key kOwnKey{0x11, 0x22, 0x33, 0x44};
constexpr std::uint8_t kPassword213 = 0x2B;

class Erase : public ::testing::Test {
  protected:
    // A delivered chip that then held a message over its whole data area.
    void PlaceUsed(ChipModel model, Layout layout) {
        delivered = NtagChip::FactoryNew(model, kUid, layout).memory();
        reader.Place(NtagChip::FactoryNew(model, kUid, layout));
        auto& memory = reader.chip().memory();
        const std::size_t capacity = memory[3 * 4 + 2] * 8u;
        const std::size_t offset = memory[16] == 0x03 ? 0 : 5;
        memory[16 + offset] = 0x03;
        memory[16 + offset + 1] = 0x20;
        for (std::size_t i = offset + 2; i < capacity; ++i)
            memory[16 + i] = static_cast<std::uint8_t>(0x5A ^ i);
    }
    DetectedTag Wake() {
        LastProcessedUid last;
        DetectedTag tag;
        EXPECT_EQ(WakeAndSelect(link(), last, tag).outcome, DetectOutcome::Detected);
        EXPECT_EQ(IdentifyModel(link(), tag).outcome, DetectOutcome::Detected);
        return tag;
    }
    TagLink link() { return {table, 1}; }
    const Bytes& memory() { return reader.chip().memory(); }
    std::uint64_t Writes() const { return reader.Calls("TyA_NTAG_Write"); }

    testing::ChipReader reader;
    const reader::ReaderApi table = reader.api();
    Bytes delivered;
};

TEST_F(Erase, EveryModelAndLayoutEndsInItsDeliveryState) {
    for (const ChipModel model : {ChipModel::Ntag203, ChipModel::Ntag210, ChipModel::Ntag212,
                                  ChipModel::Ntag213, ChipModel::Ntag215, ChipModel::Ntag216}) {
        for (const Layout layout : {Layout::Datasheet, Layout::Plain}) {
            SCOPED_TRACE(::testing::Message() << "model " << static_cast<int>(model) << " layout "
                                              << static_cast<int>(layout));
            PlaceUsed(model, layout);
            std::uint64_t differing = 0;
            for (std::size_t page = 0; page * 4 < memory().size(); ++page) {
                differing +=
                    !std::equal(memory().begin() + page * 4, memory().begin() + page * 4 + 4,
                                delivered.begin() + page * 4);
            }
            const DetectedTag tag = Wake();
            const std::uint64_t writesBefore = Writes();
            const auto erased = EraseTag(link(), tag, false, kDefaultKey);
            ASSERT_TRUE(erased);
            EXPECT_FALSE(erased->protectionCleared);
            EXPECT_EQ(memory(), delivered);
            // Only the pages that differed were written.
            EXPECT_EQ(Writes() - writesBefore, differing);
            // Erasing again writes nothing.
            const auto again = EraseTag(link(), Wake(), false, kDefaultKey);
            EXPECT_TRUE(again);
            EXPECT_EQ(Writes() - writesBefore, differing);
        }
    }
}

TEST_F(Erase, ALockedTagIsRefusedBeforeAnythingIsWritten) {
    const auto refusedUnchanged = [this](std::size_t byte, std::uint8_t value) {
        PlaceUsed(ChipModel::Ntag213, Layout::Datasheet);
        reader.chip().memory()[byte] = value;
        const Bytes before = memory();
        const std::uint64_t writes = Writes();
        const auto erased = EraseTag(link(), Wake(), false, kDefaultKey);
        if (erased) return std::optional<Problem>();
        EXPECT_EQ(memory(), before);
        EXPECT_EQ(Writes(), writes);
        return std::optional<Problem>(erased.failure().problem);
    };
    EXPECT_EQ(refusedUnchanged(2 * 4 + 3, 0x01), Problem::Locked);     // static: pages 8
    EXPECT_EQ(refusedUnchanged(0x28 * 4 + 0, 0x01), Problem::Locked);  // dynamic: pages 16-17
    EXPECT_EQ(refusedUnchanged(3 * 4 + 3, 0x0F), Problem::Locked);     // CC: read-only access
    // The dynamic lock page's fourth byte is no lock byte.
    EXPECT_EQ(refusedUnchanged(0x28 * 4 + 3, 0xFF), std::nullopt);
}

TEST_F(Erase, AProtectedTagNeedsItsKeyAndEndsWithoutProtection) {
    PlaceUsed(ChipModel::Ntag213, Layout::Datasheet);
    DetectedTag tag = Wake();
    ASSERT_FALSE(SetPassword(link(), kNtag213, kOwnKey));
    tag = Wake();
    const std::uint64_t writes = Writes();
    const auto refused = EraseTag(link(), tag, false, kDefaultKey);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure().problem, Problem::KeyRefused);
    EXPECT_EQ(Writes(), writes);

    tag = Wake();
    ASSERT_EQ(Authenticate(link(), kOwnKey), AuthOutcome::Accepted);
    const auto erased = EraseTag(link(), tag, true, kOwnKey);
    ASSERT_TRUE(erased);
    EXPECT_TRUE(erased->protectionCleared);
    // The delivery state, but for the password, which is the program's default key.
    Bytes expected = delivered;
    std::copy(kDefaultKey.begin(), kDefaultKey.end(), expected.begin() + kPassword213 * 4);
    EXPECT_EQ(memory(), expected);
    EXPECT_EQ(Authenticate(link(), kDefaultKey), AuthOutcome::Accepted);
}

TEST_F(Erase, AProtectedTagWithItsConfigurationLockedIsRefusedUntouched) {
    PlaceUsed(ChipModel::Ntag213, Layout::Datasheet);
    Wake();
    ASSERT_FALSE(SetPassword(link(), kNtag213, kOwnKey));
    reader.chip().memory()[0x2A * 4] = 0x40;  // CFGLCK: AUTH0 could never be opened again
    const Bytes before = memory();
    const DetectedTag tag = Wake();
    ASSERT_EQ(Authenticate(link(), kOwnKey), AuthOutcome::Accepted);
    const auto refused = EraseTag(link(), tag, true, kOwnKey);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure().problem, Problem::Locked);
    EXPECT_EQ(memory(), before);
}

TEST_F(Erase, AFailedWriteNamesItsPage) {
    PlaceUsed(ChipModel::Ntag213, Layout::Datasheet);
    const DetectedTag tag = Wake();
    // Page 4 keeps the Lock Control TLV, so the first page written is 5 and the second 6.
    reader.Fail("TyA_NTAG_Write", CARDHOST_NO_ANSWER, 2);
    const auto erased = EraseTag(link(), tag, false, kDefaultKey);
    ASSERT_FALSE(erased);
    EXPECT_EQ(erased.failure().problem, Problem::WriteFailed);
    EXPECT_EQ(erased.failure().page, 6);
    EXPECT_EQ(Bytes(memory().begin() + 20, memory().begin() + 24), (Bytes{0x34, 0x03, 0x00, 0xFE}));
}

}  // namespace
}  // namespace tagwright::tag
