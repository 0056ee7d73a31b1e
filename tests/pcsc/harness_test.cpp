// SPDX-License-Identifier: MIT
// The fake card through a real pcscd: what a plain PC/SC client sees of each reader personality,
// the tag bytes against the simulator's chip model, and the harness's removal, restart and
// vanishing readers. Run through run-in-private-pcscd.sh.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <memory>

#include "card_answers.h"
#include "cardhost/sim/tag_file.h"
#include "fake_card_process.h"
#include "pcsc_client.h"

namespace tagwright::pcsc_testing {
namespace {

using namespace std::chrono_literals;
using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;

const Bytes kOk{0x90, 0x00};
const Bytes kFailed{0x63, 0x00};
const Bytes kNotSupported{0x6A, 0x81};
const Bytes kNtag213Version{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x0F, 0x03};
const cardhost::sim::Uid kUid{0x04, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes ReadPages(std::uint8_t page) {
    return {0xFF, 0xB0, 0x00, page, 0x10};
}
Bytes WritePage(std::uint8_t page, const Bytes& data) {
    return Join({{0xFF, 0xD6, 0x00, page, 0x04}, data});
}
// Personality A: PN532 InCommunicateThru.
Bytes Direct(const Bytes& frame) {
    return Join(
        {{0xFF, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(frame.size() + 2), 0xD4, 0x42}, frame});
}
// Personality B: one transceive in a transparent session.
Bytes Transceive(const Bytes& frame) {
    return Join({{0xFF, 0xC2, 0x00, 0x01, static_cast<std::uint8_t>(frame.size() + 2), 0x95,
                  static_cast<std::uint8_t>(frame.size())},
                 frame,
                 {0x00}});
}
const Bytes kStartSession{0xFF, 0xC2, 0x00, 0x00, 0x02, 0x81, 0x00};
const Bytes kEndSession{0xFF, 0xC2, 0x00, 0x00, 0x02, 0x82, 0x00};
const Bytes kSessionOk{0xC0, 0x03, 0x00, 0x90, 0x00, 0x90, 0x00};
const Bytes kFirmwareQuery{0xFF, 0x00, 0x48, 0x00, 0x00};
const Bytes kGetUid{0xFF, 0xCA, 0x00, 0x00, 0x00};

// What the simulator's chip model makes of a fresh tag: the reference for the card's bytes.
NtagChip ReferenceChip() {
    return NtagChip::FactoryNew(ChipModel::Ntag213, kUid, Layout::Datasheet);
}

class PcscHarness : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = HarnessMissing(); !missing.empty()) GTEST_SKIP() << missing;
        ASSERT_TRUE(client.Establish()) << ErrorText(client.lastError());
    }

    void TearDown() override {
        client.Disconnect();
        // The next test's card must not meet this one's reader state.
        if (card && card->Stop()) {
            EXPECT_TRUE(client.WaitForCard(reader_, false, 5s));
        }
    }

    // Puts a tag on a reader and connects to it.
    void StartCard(std::vector<std::string> options, const std::string& reader = kFirstReader) {
        reader_ = reader;
        ASSERT_TRUE(client.WaitForCard(reader, false, 5s)) << "a card from before is still there";
        card = std::make_unique<FakeCardProcess>(std::move(options));
        ASSERT_TRUE(card->running());
        ASSERT_TRUE(client.WaitForCard(reader, true, 10s)) << ErrorText(client.lastError()) << "\n"
                                                           << card->Log();
        ASSERT_TRUE(client.Connect(reader)) << ErrorText(client.lastError());
    }

    Bytes Send(const Bytes& apdu) {
        const auto answer = client.Transmit(apdu);
        EXPECT_TRUE(answer) << ErrorText(client.lastError()) << "\n" << card->Log();
        return answer.value_or(Bytes{});
    }

    PcscClient client;
    std::unique_ptr<FakeCardProcess> card;

  private:
    std::string reader_ = kFirstReader;
};

// --- A: PN532 direct transmit ----------------------------------------------------------------

using DirectTransmit = PcscHarness;

TEST_F(DirectTransmit, AnswersTheFirmwareQueryAndGetVersionWithTheNtagAtr) {
    StartCard({"--personality", "A"});
    EXPECT_EQ(client.Atr(), Bytes(std::begin(kAtr), std::end(kAtr)));
    const Bytes firmware = Send(kFirmwareQuery);
    EXPECT_EQ(std::string(firmware.begin(), firmware.end()), "ACR122U207");
    EXPECT_EQ(Send(Direct({0x60})), Join({{0xD5, 0x43, 0x00}, kNtag213Version, kOk}));
    EXPECT_EQ(Send(kStartSession), kNotSupported);
}

TEST_F(DirectTransmit, WrongPasswordDropsTheTagUntilAResetAndTheRightOneGivesPack) {
    StartCard({"--personality", "A", "--password", "11223344", "--pack", "ABCD"});
    EXPECT_EQ(Send(Direct({0x1B, 0x99, 0x99, 0x99, 0x99})), Join({{0xD5, 0x43, 0x01}, kOk}));
    EXPECT_EQ(card->Tag().failedAuthentications(), 1);
    // The tag went back to IDLE: it answers nothing until the reader wakes it again.
    EXPECT_EQ(Send(ReadPages(0)), kFailed);
    EXPECT_EQ(Send(Direct({0x60})), Join({{0xD5, 0x43, 0x01}, kOk}));
    ASSERT_TRUE(client.Reconnect(SCARD_RESET_CARD)) << ErrorText(client.lastError());
    EXPECT_EQ(Send(Direct({0x1B, 0x11, 0x22, 0x33, 0x44})),
              Join({{0xD5, 0x43, 0x00, 0xAB, 0xCD}, kOk}));
    EXPECT_EQ(card->Tag().failedAuthentications(), 0);
    // AUTH0 4: page 4 is writable only while authenticated, which a reset ends.
    EXPECT_EQ(Send(WritePage(4, {0x01, 0x02, 0x03, 0x04})), kOk);
    ASSERT_TRUE(client.Reconnect(SCARD_RESET_CARD));
    EXPECT_EQ(Send(WritePage(5, {0x05, 0x06, 0x07, 0x08})), kFailed);
    const NtagChip tag = card->Tag();
    NtagChip reference = ReferenceChip();
    std::copy_n(Bytes{0x01, 0x02, 0x03, 0x04}.begin(), 4, reference.memory().begin() + 16);
    EXPECT_EQ(Bytes(tag.memory().begin() + 16, tag.memory().begin() + 24),
              Bytes(reference.memory().begin() + 16, reference.memory().begin() + 24));
}

// --- B: transparent session ------------------------------------------------------------------

using TransparentSession = PcscHarness;

TEST_F(TransparentSession, GetVersionInASessionAsDataObjects) {
    StartCard({"--personality", "B"});
    EXPECT_EQ(Send(kFirmwareQuery), kNotSupported);
    EXPECT_EQ(Send(kStartSession), kSessionOk);
    EXPECT_EQ(
        Send(Transceive({0x60})),
        Join({{0xC0, 0x03, 0x00, 0x90, 0x00, 0x92, 0x01, 0x00, 0x96, 0x02, 0x00, 0x00, 0x97, 0x08},
              kNtag213Version,
              kOk}));
    EXPECT_EQ(Send(kEndSession), kSessionOk);
    // Outside a session the reader does not pass frames on.
    const Bytes refused = Send(Transceive({0x60}));
    ASSERT_GE(refused.size(), 3u);
    EXPECT_EQ(Bytes(refused.begin(), refused.begin() + 3), Bytes({0xC0, 0x03, 0x01}));
}

TEST_F(TransparentSession, WrongPasswordIsAFourBitNakAndTheRightOneGivesPack) {
    StartCard({"--personality", "B", "--password", "CAFEBABE", "--pack", "1234"});
    EXPECT_EQ(Send(kStartSession), kSessionOk);
    EXPECT_EQ(Send(Transceive({0x1B, 0x00, 0x00, 0x00, 0x00})),
              Join({{0xC0, 0x03, 0x00, 0x90, 0x00, 0x92, 0x01, 0x04, 0x96, 0x02, 0x00, 0x00, 0x97,
                     0x01, 0x00},
                    kOk}));
    EXPECT_EQ(Send(ReadPages(0)), kFailed);
    ASSERT_TRUE(client.Reconnect(SCARD_RESET_CARD));
    // The reset ended the session too.
    EXPECT_EQ(Send(kStartSession), kSessionOk);
    const Bytes pack = Send(Transceive({0x1B, 0xCA, 0xFE, 0xBA, 0xBE}));
    ASSERT_GE(pack.size(), 4u);
    EXPECT_EQ(Bytes(pack.end() - 4, pack.end()), Bytes({0x12, 0x34, 0x90, 0x00}));
    EXPECT_EQ(Send(WritePage(4, {0xAA, 0xBB, 0xCC, 0xDD})), kOk);
    EXPECT_EQ(card->Tag().memory()[16], 0xAA);
}

// --- C: storage only -------------------------------------------------------------------------

using StorageOnly = PcscHarness;

TEST_F(StorageOnly, RefusesEveryRawCommandPathButReadsAndWrites) {
    StartCard({"--personality", "C"});
    EXPECT_EQ(Send(kFirmwareQuery), kNotSupported);
    EXPECT_EQ(Send(Direct({0x60})), kNotSupported);
    EXPECT_EQ(Send(kStartSession), kNotSupported);
    EXPECT_EQ(Send(Transceive({0x60})), kNotSupported);
    EXPECT_EQ(Send(WritePage(6, {0x0F, 0x0E, 0x0D, 0x0C})), kOk);
    const Bytes pages = Send(ReadPages(6));
    ASSERT_EQ(pages.size(), 18u);
    EXPECT_EQ(Bytes(pages.begin(), pages.begin() + 4), Bytes({0x0F, 0x0E, 0x0D, 0x0C}));
}

// --- storage commands, every personality -----------------------------------------------------

class StorageCommands : public PcscHarness, public ::testing::WithParamInterface<const char*> {};

TEST_P(StorageCommands, UidReadAndWriteLeaveTheBytesOfTheChipModel) {
    StartCard({"--personality", GetParam()});
    EXPECT_EQ(Send(kGetUid), Join({Bytes(kUid.begin(), kUid.end()), kOk}));
    NtagChip reference = ReferenceChip();
    std::array<std::uint8_t, 2> atqa{};
    cardhost::sim::Uid uid{};
    reference.WakeUp(0x52, atqa);
    reference.AnticollisionAndSelect(uid);
    const Bytes page0 = reference.Command(std::vector<std::uint8_t>{0x30, 0x00}).data;
    EXPECT_EQ(Send(ReadPages(0)), Join({page0, kOk}));

    for (std::uint8_t page = 4; page < 8; ++page) {
        const Bytes data{page, 0x5A, 0xA5, static_cast<std::uint8_t>(~page)};
        EXPECT_EQ(Send(WritePage(page, data)), kOk);
        reference.Command(Join({{0xA2, page}, data}));
    }
    // Static lock bits for pages 4..7 (OTP: OR-ed in), then a write there is refused.
    EXPECT_EQ(Send(WritePage(2, {0x00, 0x00, 0xF0, 0x00})), kOk);
    reference.Command(std::vector<std::uint8_t>{0xA2, 0x02, 0x00, 0x00, 0xF0, 0x00});
    EXPECT_EQ(Send(WritePage(5, {0x00, 0x00, 0x00, 0x00})), kFailed);
    EXPECT_EQ(card->Tag().memory(), reference.memory());
    // The refused write was a NAK: the tag is back in IDLE until a reset.
    EXPECT_EQ(Send(ReadPages(4)), kFailed);
    ASSERT_TRUE(client.Reconnect(SCARD_RESET_CARD));
    EXPECT_EQ(Send(ReadPages(4)),
              Join({Bytes(reference.memory().begin() + 16, reference.memory().begin() + 32), kOk}));
}

INSTANTIATE_TEST_SUITE_P(EveryPersonality, StorageCommands, ::testing::Values("A", "B", "C"));

// --- the card comes and goes -----------------------------------------------------------------

using CardPresence = PcscHarness;

TEST_F(CardPresence, ATagRemovedMidWriteLeavesTheReaderEmptyAndComesBackWithItsBytes) {
    StartCard({"--personality", "A", "--remove-after", "2"});
    EXPECT_EQ(Send(WritePage(4, {0x11, 0x11, 0x11, 0x11})), kOk);
    EXPECT_EQ(Send(WritePage(5, {0x22, 0x22, 0x22, 0x22})), kOk);
    // vpcd hands on the missing answer as an empty one with success (a real reader reports a
    // failed transmit): either way there is no status word, which is what a backend must see.
    const auto torn = client.Transmit(WritePage(6, {0x33, 0x33, 0x33, 0x33}));
    EXPECT_TRUE(!torn || torn->size() < 2) << ::testing::PrintToString(*torn);
    EXPECT_TRUE(client.WaitForCard(kFirstReader, false, 5s));
    NtagChip tag = card->Tag();
    EXPECT_EQ(tag.memory()[16], 0x11);
    EXPECT_EQ(tag.memory()[20], 0x22);
    EXPECT_EQ(tag.memory()[24], 0x00);  // the write it left during never reached the tag

    card->PutBack();
    ASSERT_TRUE(client.WaitForCard(kFirstReader, true, 5s));
    ASSERT_TRUE(client.Connect(kFirstReader)) << ErrorText(client.lastError());
    EXPECT_EQ(Send(ReadPages(4)),
              Join({{0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22}, Bytes(8, 0x00), kOk}));
}

TEST_F(CardPresence, TakenAwayBySignalAndTheSecondReaderHasItsOwnPort) {
    StartCard({"--personality", "B", "--port", "35964"}, kSecondReader);
    EXPECT_TRUE(client.WaitForCard(kFirstReader, false, 1s));
    card->TakeAway();
    EXPECT_TRUE(client.WaitForCard(kSecondReader, false, 5s));
    card->PutBack();
    EXPECT_TRUE(client.WaitForCard(kSecondReader, true, 5s));
}

// --- what the card's options set up ---------------------------------------------------------

using CardOptions = PcscHarness;

TEST_F(CardOptions, AnInjectedNakDropsTheTagUntilAReset) {
    StartCard({"--personality", "A", "--nak-at", "2"});
    const Bytes pages = Send(ReadPages(0));
    EXPECT_EQ(Send(ReadPages(0)), kFailed);
    EXPECT_EQ(card->Tag().state(), cardhost::sim::ChipState::Idle);
    EXPECT_EQ(Send(ReadPages(0)), kFailed);
    ASSERT_TRUE(client.Reconnect(SCARD_RESET_CARD));
    EXPECT_EQ(Send(ReadPages(0)), pages);
}

TEST_F(CardOptions, ANakOnTheSecondWriteLeavesItUndone) {
    StartCard({"--personality", "C", "--nak-on", "write:2"});
    EXPECT_EQ(Send(ReadPages(4)).size(), 18u);  // reads do not count
    EXPECT_EQ(Send(WritePage(4, {1, 1, 1, 1})), kOk);
    EXPECT_EQ(Send(WritePage(5, {2, 2, 2, 2})), kFailed);
    ASSERT_TRUE(client.Reconnect(SCARD_RESET_CARD));
    EXPECT_EQ(Send(WritePage(6, {3, 3, 3, 3})), kOk);
    NtagChip reference = ReferenceChip();
    std::fill_n(reference.memory().begin() + 16, 4, 1);
    std::fill_n(reference.memory().begin() + 24, 4, 3);
    EXPECT_EQ(card->Tag().memory(), reference.memory());
}

TEST_F(CardOptions, LeavingOnTheThirdReadLeavesTheReaderEmpty) {
    StartCard({"--personality", "B", "--remove-on", "read:3"});
    EXPECT_EQ(Send(WritePage(4, {1, 1, 1, 1})), kOk);
    EXPECT_EQ(Send(ReadPages(4)).size(), 18u);
    EXPECT_EQ(Send(ReadPages(4)).size(), 18u);
    const auto torn = client.Transmit(ReadPages(4));
    EXPECT_TRUE(!torn || torn->size() < 2) << ::testing::PrintToString(*torn);
    EXPECT_TRUE(client.WaitForCard(kFirstReader, false, 5s));
}

TEST_F(CardOptions, SilentOnTheSecondWriteLeavesTheExchangeWaitingUntilTheTagIsTaken) {
    StartCard({"--personality", "A", "--silent-on", "write:2"});
    EXPECT_EQ(Send(WritePage(4, {1, 1, 1, 1})), kOk);
    // pcsc-lite has no deadline of its own: the exchange waits as long as the reader is silent.
    auto stalled = std::async(std::launch::async, [&] {
        return client.Transmit(WritePage(5, {2, 2, 2, 2}));
    });
    EXPECT_EQ(stalled.wait_for(3s), std::future_status::timeout);
    EXPECT_NE(card->Log().find("silent from this APDU on"), std::string::npos) << card->Log();
    card->TakeAway();
    ASSERT_EQ(stalled.wait_for(20s), std::future_status::ready);
    const auto torn = stalled.get();
    EXPECT_TRUE(!torn || torn->size() < 2) << ::testing::PrintToString(*torn);
    NtagChip reference = ReferenceChip();
    std::fill_n(reference.memory().begin() + 16, 4, 1);
    EXPECT_EQ(card->Tag().memory(), reference.memory());
}

TEST_F(CardOptions, StartsFromATagFileAndAnotherModel) {
    NtagChip tag =
        NtagChip::FactoryNew(ChipModel::Ntag215, {0x04, 1, 2, 3, 4, 5, 6}, Layout::Plain);
    tag.memory()[20] = 0x77;
    const auto file = std::filesystem::temp_directory_path() / "tw-card-start.tag";
    std::ofstream(file) << cardhost::sim::SerializeTag(tag);
    StartCard({"--personality", "B", "--tag-file", file.string()});
    std::filesystem::remove(file);
    EXPECT_EQ(Send(kGetUid), Join({{0x04, 1, 2, 3, 4, 5, 6}, kOk}));
    EXPECT_EQ(Send(ReadPages(4)),
              Join({Bytes(tag.memory().begin() + 16, tag.memory().begin() + 32), kOk}));
    EXPECT_EQ(Send(kStartSession), kSessionOk);
    const Bytes version = Send(Transceive({0x60}));
    ASSERT_GE(version.size(), 10u);
    EXPECT_EQ(version[version.size() - 4], 0x11);  // storage size byte of an NTAG215
    EXPECT_EQ(card->Tag().model(), ChipModel::Ntag215);
}

// --- the daemon comes and goes ---------------------------------------------------------------

using Daemon = PcscHarness;

TEST_F(Daemon, ARestartedPcscdFindsTheCardAgain) {
    StartCard({"--personality", "A"});
    EXPECT_EQ(Send(WritePage(4, {0x44, 0x44, 0x44, 0x44})), kOk);
    ASSERT_TRUE(ControlPcscd("restart"));
    EXPECT_FALSE(client.Transmit(ReadPages(4)));
    ASSERT_TRUE(client.Establish()) << ErrorText(client.lastError());
    ASSERT_TRUE(client.WaitForCard(kFirstReader, true, 10s)) << card->Log();
    ASSERT_TRUE(client.Connect(kFirstReader)) << ErrorText(client.lastError());
    const Bytes pages = Send(ReadPages(4));
    ASSERT_EQ(pages.size(), 18u);
    EXPECT_EQ(pages[0], 0x44);
}

TEST_F(Daemon, StoppedThenTheReadersDisappearAndComeBack) {
    StartCard({"--personality", "A"});
    ASSERT_TRUE(ControlPcscd("stop"));
    EXPECT_FALSE(client.Establish());
    EXPECT_EQ(client.lastError(), SCARD_E_NO_SERVICE) << ErrorText(client.lastError());

    ASSERT_TRUE(ControlPcscd("drop-readers"));
    ASSERT_TRUE(client.Establish()) << ErrorText(client.lastError());
    EXPECT_TRUE(client.Readers().empty());
    EXPECT_EQ(client.lastError(), SCARD_E_NO_READERS_AVAILABLE) << ErrorText(client.lastError());

    ASSERT_TRUE(ControlPcscd("restore-readers"));
    ASSERT_TRUE(client.Establish());
    EXPECT_EQ(client.Readers(), (std::vector<std::string>{kFirstReader, kSecondReader}));
    EXPECT_TRUE(client.WaitForCard(kFirstReader, true, 10s)) << card->Log();
}

}  // namespace
}  // namespace tagwright::pcsc_testing
