// SPDX-License-Identifier: MIT
// The PC/SC backend against a PC/SC service played in the test process: listing, the three
// reader personalities, the error table, escapes, NAK recovery and hot-plug.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "cardhost/pcsc/pcsc_backend.h"
#include "cardhost/pcsc/pcsc_card.h"
#include "cardhost/pcsc/pcsc_personality.h"
#include "cardhost/pcsc/pcsc_session.h"
#include "cardhost/pcsc/pcsc_status.h"
#include "cardhost/pcsc/tlv.h"
#include "support/fake_pcsc.h"

namespace tagwright::test {
namespace {

using cardhost::Backend;
using cardhost::ReaderSession;
using cardhost::Status;
using cardhost::TagCommand;
using cardhost::pcsc::Personality;
using cardhost::sim::ChipModel;
using cardhost::sim::Layout;
using cardhost::sim::NtagChip;

const cardhost::sim::Uid kUid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
const std::string kReader = "ACS ACR122U PICC Interface 00 00";

FakePcscReader ReaderWithTag(FakePersonality personality, std::string name = kReader) {
    FakePcscReader reader;
    reader.name = std::move(name);
    reader.personality = personality;
    reader.chip = NtagChip::FactoryNew(ChipModel::Ntag213, kUid, Layout::Datasheet);
    reader.atr = FakePcsc::UltralightAtr();
    return reader;
}

class PcscBackendTest : public ::testing::Test {
  protected:
    PcscBackendTest() : fake_(std::make_shared<FakePcsc>()) {}

    std::vector<std::string> List(Status expected = CARDHOST_OK) {
        std::vector<std::string> serials;
        EXPECT_EQ(backend_->ListReaders(CARDHOST_VENDOR_ID, CARDHOST_PRODUCT_ID, serials),
                  expected);
        return serials;
    }

    std::unique_ptr<ReaderSession> Open(const std::string& name = kReader) {
        std::unique_ptr<ReaderSession> session;
        EXPECT_EQ(backend_->Open(name, session), CARDHOST_OK);
        if (session) {
            EXPECT_EQ(session->SetAntenna(1), CARDHOST_OK);
            EXPECT_EQ(session->InitType('A'), CARDHOST_OK);
        }
        return session;
    }

    static Status WakeAndSelect(ReaderSession& session) {
        std::array<std::uint8_t, 2> atqa{};
        if (const Status status = session.Request(0x52, atqa); status != CARDHOST_OK) {
            return status;
        }
        std::array<std::uint8_t, 7> uid{};
        return session.AnticollSelect(uid);
    }

    static Status Send(ReaderSession& session, TagCommand command, std::vector<std::uint8_t> frame,
                       std::vector<std::uint8_t>& answer) {
        answer.clear();
        return session.Exchange(command, frame, answer);
    }

    static const cardhost::pcsc::PcscSessionView& View(ReaderSession& session) {
        return dynamic_cast<const cardhost::pcsc::PcscSessionView&>(session);
    }

    bool Logged(const std::string& line) const {
        return std::find(fake_->log.begin(), fake_->log.end(), line) != fake_->log.end();
    }

    std::shared_ptr<FakePcsc> fake_;
    std::unique_ptr<Backend> backend_ = cardhost::pcsc::MakeBackend(fake_);
};

TEST_F(PcscBackendTest, ListsReaderNamesAsSerialsAndOnlyThePiccSlotOfAReaderWithSeveral) {
    fake_->readers.push_back(ReaderWithTag(
        FakePersonality::B, "ACS ACR1252 1S CL Reader [ACR1252 1S CL Reader PICC] 00 00"));
    fake_->readers.push_back(ReaderWithTag(
        FakePersonality::B, "ACS ACR1252 1S CL Reader [ACR1252 1S CL Reader SAM] 00 01"));
    fake_->readers.push_back(ReaderWithTag(FakePersonality::A, "Virtual PCD 01 00"));
    fake_->readers.push_back(ReaderWithTag(FakePersonality::A, "Virtual PCD 01 01"));
    EXPECT_EQ(List(), (std::vector<std::string>{
                          "ACS ACR1252 1S CL Reader [ACR1252 1S CL Reader PICC] 00 00",
                          "Virtual PCD 01 00", "Virtual PCD 01 01"}));

    // Other USB ids than the vendor's: the program never asks for them, nothing is listed.
    std::vector<std::string> serials;
    EXPECT_EQ(backend_->ListReaders(0x072F, 0x2200, serials), CARDHOST_OK);
    EXPECT_TRUE(serials.empty());
}

TEST_F(PcscBackendTest, ServiceNotRunningIsAStatusOfItsOwnAndNoReadersIsNone) {
    fake_->serviceRunning = false;
    EXPECT_TRUE(List(CARDHOST_SERVICE_UNAVAILABLE).empty());
    fake_->serviceRunning = true;
    EXPECT_TRUE(List(CARDHOST_OK).empty());
}

TEST_F(PcscBackendTest, ReadersPluggedInAndOutAndARestartedServiceAreFoundByTheNextListing) {
    fake_->readers.push_back(ReaderWithTag(FakePersonality::A));
    EXPECT_EQ(List().size(), 1u);
    fake_->readers.push_back(ReaderWithTag(FakePersonality::B, "Second 00 00"));
    EXPECT_EQ(List().size(), 2u);
    fake_->readers.erase(fake_->readers.begin());
    EXPECT_EQ(List(), std::vector<std::string>{"Second 00 00"});

    fake_->RestartService();
    EXPECT_EQ(List(), std::vector<std::string>{"Second 00 00"});
    EXPECT_EQ(fake_->contextsEstablished, 2u);
}

TEST_F(PcscBackendTest, PersonalitiesAreProbedAtOpenAndCarryGetVersionAndPwdAuth) {
    const std::vector<std::uint8_t> ntag213Version{0x00, 0x04, 0x04, 0x02, 0x01, 0x00, 0x0F, 0x03};
    struct Case {
        FakePersonality fake;
        Personality expected;
    };
    for (const Case c : {Case{FakePersonality::A, Personality::DirectTransmit},
                         Case{FakePersonality::B, Personality::TransparentSession}}) {
        SCOPED_TRACE(static_cast<int>(c.fake));
        fake_->readers = {ReaderWithTag(c.fake)};
        auto session = Open();
        ASSERT_TRUE(session);
        EXPECT_EQ(View(*session).personality(), c.expected);
        ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
        std::vector<std::uint8_t> answer;
        EXPECT_EQ(Send(*session, TagCommand::GetVersion, {0x60}, answer), CARDHOST_OK);
        EXPECT_EQ(answer, ntag213Version);
        // The factory password is FF FF FF FF, its PACK 00 00.
        EXPECT_EQ(Send(*session, TagCommand::PwdAuth, {0x1B, 0xFF, 0xFF, 0xFF, 0xFF}, answer),
                  CARDHOST_OK);
        EXPECT_EQ(answer, (std::vector<std::uint8_t>{0x00, 0x00}));
        EXPECT_EQ(session->Close(), CARDHOST_OK);
    }
    EXPECT_TRUE(Logged(kReader + " > FF 00 00 00 03 D4 42 60"));
    EXPECT_TRUE(Logged(kReader + " > FF C2 00 01 03 95 01 60 00"));
}

TEST_F(PcscBackendTest, StorageOnlyReaderRefusesRawCommandsButReadsAndWrites) {
    fake_->readers = {ReaderWithTag(FakePersonality::C)};
    auto session = Open();
    ASSERT_TRUE(session);
    EXPECT_EQ(View(*session).personality(), Personality::StorageOnly);
    ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
    std::vector<std::uint8_t> answer;
    EXPECT_EQ(Send(*session, TagCommand::GetVersion, {0x60}, answer), CARDHOST_NOT_SUPPORTED);
    EXPECT_EQ(Send(*session, TagCommand::PwdAuth, {0x1B, 1, 2, 3, 4}, answer),
              CARDHOST_NOT_SUPPORTED);
    // A refusal of the reader leaves the tag selected: reading goes on.
    EXPECT_EQ(Send(*session, TagCommand::Write, {0xA2, 4, 0xDE, 0xAD, 0xBE, 0xEF}, answer),
              CARDHOST_OK);
    EXPECT_EQ(Send(*session, TagCommand::Read, {0x30, 4}, answer), CARDHOST_OK);
    ASSERT_EQ(answer.size(), 16u);
    EXPECT_EQ(std::vector<std::uint8_t>(answer.begin(), answer.begin() + 4),
              (std::vector<std::uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_TRUE(Logged(kReader + " > FF D6 00 04 04 DE AD BE EF"));
    EXPECT_TRUE(Logged(kReader + " > FF B0 00 04 10"));
}

TEST_F(PcscBackendTest, ANakNeedsANewWakeUpWhichResetsTheCard) {
    for (const FakePersonality personality : {FakePersonality::A, FakePersonality::B}) {
        SCOPED_TRACE(static_cast<int>(personality));
        fake_->readers = {ReaderWithTag(personality)};
        fake_->log.clear();
        auto session = Open();
        ASSERT_TRUE(session);
        ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
        std::vector<std::uint8_t> answer;
        const Status wrong = Send(*session, TagCommand::PwdAuth, {0x1B, 1, 2, 3, 4}, answer);
        EXPECT_EQ(wrong & ~0x0F, CARDHOST_NAK_BASE);
        EXPECT_EQ(Send(*session, TagCommand::Read, {0x30, 0}, answer), CARDHOST_NO_ANSWER);
        ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
        EXPECT_TRUE(Logged(kReader + " reset"));
        EXPECT_EQ(Send(*session, TagCommand::Read, {0x30, 0}, answer), CARDHOST_OK);
        EXPECT_EQ(answer[0], kUid[0]);
    }
}

TEST_F(PcscBackendTest, AWriteToALockedPageIsTheTagsRefusal) {
    fake_->readers = {ReaderWithTag(FakePersonality::A)};
    auto session = Open();
    ASSERT_TRUE(session);
    ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
    std::vector<std::uint8_t> answer;
    // Page 0 holds the UID: never writable.
    EXPECT_EQ(Send(*session, TagCommand::Write, {0xA2, 0, 1, 2, 3, 4}, answer), CARDHOST_NAK_BASE);
    EXPECT_EQ(Send(*session, TagCommand::Read, {0x30, 4}, answer), CARDHOST_NO_ANSWER);
}

TEST_F(PcscBackendTest, WakeUpReportsTheAtqaTheAtrStandsFor) {
    fake_->readers = {ReaderWithTag(FakePersonality::A)};
    auto session = Open();
    ASSERT_TRUE(session);
    std::array<std::uint8_t, 2> atqa{};
    EXPECT_EQ(session->Request(0x52, atqa), CARDHOST_OK);
    EXPECT_EQ(atqa, (std::array<std::uint8_t, 2>{0x44, 0x00}));

    std::vector<std::uint8_t> classic = FakePcsc::UltralightAtr();
    classic[14] = 0x01;  // card name 00 01: MIFARE Classic 1K
    EXPECT_EQ(cardhost::pcsc::AtqaFromAtr(classic), (std::array<std::uint8_t, 2>{0x04, 0x00}));
    std::vector<std::uint8_t> iso4 = FakePcsc::UltralightAtr();
    iso4[12] = 0x11;  // another standard than ISO 14443A part 3
    EXPECT_EQ(cardhost::pcsc::AtqaFromAtr(iso4), (std::array<std::uint8_t, 2>{0x00, 0x00}));
    const std::vector<std::uint8_t> desfire{0x3B, 0x81, 0x80, 0x01, 0x80, 0x80};
    EXPECT_EQ(cardhost::pcsc::AtqaFromAtr(desfire), (std::array<std::uint8_t, 2>{0x00, 0x00}));
}

TEST_F(PcscBackendTest, WakeUpWithoutATagAndWithTheFieldOff) {
    FakePcscReader reader = ReaderWithTag(FakePersonality::A);
    reader.chip.reset();
    fake_->readers = {reader};
    auto session = Open();
    ASSERT_TRUE(session);
    EXPECT_TRUE(Logged(kReader + " connect direct"));
    EXPECT_EQ(View(*session).personality(), Personality::Unknown);
    std::array<std::uint8_t, 2> atqa{};
    EXPECT_EQ(session->Request(0x52, atqa), CARDHOST_NO_TAG);

    // The tag arrives: the wake-up connects to it and probes the reader then.
    fake_->readers[0].chip = NtagChip::FactoryNew(ChipModel::Ntag213, kUid, Layout::Datasheet);
    EXPECT_EQ(WakeAndSelect(*session), CARDHOST_OK);
    EXPECT_EQ(View(*session).personality(), Personality::DirectTransmit);

    EXPECT_EQ(session->SetAntenna(0), CARDHOST_OK);
    EXPECT_EQ(session->Request(0x52, atqa), CARDHOST_NO_TAG);
    EXPECT_EQ(session->Request(0x40, atqa), CARDHOST_BAD_ARGUMENT);
}

TEST_F(PcscBackendTest, ATagTakenAwayMidWriteAndAReaderUnplugged) {
    fake_->readers = {ReaderWithTag(FakePersonality::A)};
    auto session = Open();
    ASSERT_TRUE(session);
    ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
    fake_->readers[0].chip.reset();
    std::vector<std::uint8_t> answer;
    EXPECT_EQ(Send(*session, TagCommand::Write, {0xA2, 4, 1, 2, 3, 4}, answer), CARDHOST_NO_TAG);
    std::array<std::uint8_t, 2> atqa{};
    EXPECT_EQ(session->Request(0x52, atqa), CARDHOST_NO_TAG);
    EXPECT_TRUE(session->IsOpen());

    fake_->readers.clear();
    EXPECT_FALSE(session->IsOpen());
    EXPECT_EQ(session->Request(0x52, atqa), CARDHOST_DETACHED);
    EXPECT_EQ(session->Close(), CARDHOST_OK);
}

TEST_F(PcscBackendTest, AnOpenReaderWorksOnAfterTheServiceRestarted) {
    fake_->readers = {ReaderWithTag(FakePersonality::B)};
    auto session = Open();
    ASSERT_TRUE(session);
    ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
    fake_->RestartService();
    std::vector<std::uint8_t> answer;
    // The command in flight meets the dead handle; the next wake-up connects anew.
    EXPECT_NE(Send(*session, TagCommand::Read, {0x30, 4}, answer), CARDHOST_OK);
    ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
    EXPECT_EQ(Send(*session, TagCommand::Read, {0x30, 4}, answer), CARDHOST_OK);
    EXPECT_TRUE(session->IsOpen());
}

TEST_F(PcscBackendTest, AReaderIsOpenedByOneHolderAtATime) {
    fake_->readers = {ReaderWithTag(FakePersonality::A)};
    auto first = Open();
    ASSERT_TRUE(first);
    std::unique_ptr<ReaderSession> second;
    EXPECT_EQ(backend_->Open(kReader, second), CARDHOST_BUSY);
    first.reset();
    EXPECT_EQ(backend_->Open(kReader, second), CARDHOST_OK);
    // Another program's hold shows as PC/SC's sharing violation.
    auto other = cardhost::pcsc::MakeBackend(fake_);
    std::unique_ptr<ReaderSession> third;
    EXPECT_EQ(other->Open(kReader, third), CARDHOST_SHARING_VIOLATION);
    EXPECT_EQ(backend_->Open("No Such Reader 00 00", third), CARDHOST_NO_DEVICE);
}

TEST_F(PcscBackendTest, GetResponseFetchesWhatTheReaderHeldBack) {
    FakePcscReader reader = ReaderWithTag(FakePersonality::A);
    reader.firmwareAsksGetResponse = true;
    fake_->readers = {reader};
    auto session = Open();
    ASSERT_TRUE(session);
    std::array<std::uint8_t, 2> atqa{};
    ASSERT_EQ(session->Request(0x52, atqa), CARDHOST_OK);
    std::array<std::uint8_t, 7> uid{};
    ASSERT_EQ(session->AnticollSelect(uid), CARDHOST_OK);
    EXPECT_EQ(uid, kUid);
    EXPECT_TRUE(Logged(kReader + " > FF C0 00 00 07"));
}

TEST_F(PcscBackendTest, RefusedEscapesSucceedAndAreCounted) {
    struct Case {
        FakePersonality fake;
        std::string light;
        std::string buzzer;
    };
    for (const Case& c : {Case{FakePersonality::A, "control 42000001 FF 00 40 0E 04 00 00 00 00",
                               "control 42000001 FF 00 40 00 04 01 00 01 01"},
                          Case{FakePersonality::B, "control 42000001 E0 00 00 29 01 02",
                               "control 42000001 E0 00 00 28 01 0A"}}) {
        SCOPED_TRACE(c.light);
        fake_->readers = {ReaderWithTag(c.fake)};
        fake_->log.clear();
        fake_->controlResult = SCARD_S_SUCCESS;
        auto session = Open();
        ASSERT_TRUE(session);
        EXPECT_EQ(session->SetLight(2), CARDHOST_OK);
        EXPECT_EQ(session->SetBuzzer(10), CARDHOST_OK);
        EXPECT_TRUE(Logged(kReader + " " + c.light));
        EXPECT_TRUE(Logged(kReader + " " + c.buzzer));
        EXPECT_EQ(View(*session).escapes().sent, 2u);

        fake_->controlResult = static_cast<LONG>(0x80100016);  // what Debian's CCID driver says
        EXPECT_EQ(session->SetLight(1), CARDHOST_OK);
        EXPECT_EQ(View(*session).escapes().refused, 1u);
        EXPECT_EQ(View(*session).escapes().lastRefusal, static_cast<LONG>(0x80100016));
    }
    // No escape is known for a storage-only reader: nothing is sent, and that is counted too.
    fake_->readers = {ReaderWithTag(FakePersonality::C)};
    fake_->log.clear();
    auto session = Open();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->SetLight(2), CARDHOST_OK);
    EXPECT_EQ(View(*session).escapes().unknown, 1u);
    EXPECT_EQ(View(*session).escapes().sent + View(*session).escapes().refused, 0u);
}

TEST_F(PcscBackendTest, DescribeGivesAtrAndPersonalityWithoutHoldingTheReader) {
    fake_->readers = {ReaderWithTag(FakePersonality::B)};
    const cardhost::ReaderDescription description = backend_->Describe(kReader);
    EXPECT_EQ(description.backend, "pcsc");
    EXPECT_EQ(description.atr, FakePcsc::UltralightAtr());
    EXPECT_EQ(description.personality, "B (transparent session)");
    EXPECT_EQ(description.status, CARDHOST_OK);
    EXPECT_TRUE(Open());  // the look let it go

    fake_->readers[0].chip.reset();
    EXPECT_EQ(cardhost::pcsc::MakeBackend(fake_)->Describe(kReader).status, CARDHOST_NO_TAG);
}

// The threads of this process, from the kernel's count.
int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    }
    return -1;
}

// Polls for what the backend's last waiting call does once it comes back.
template <typename Condition>
bool Eventually(Condition condition) {
    for (int i = 0; i < 500 && !condition(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

TEST_F(PcscBackendTest, AReaderThatStopsAnsweringFailsEachCallWithTheTimeoutAndRecovers) {
    using namespace std::chrono_literals;
    backend_ = cardhost::pcsc::MakeBackend(fake_, 100ms);
    fake_->readers = {ReaderWithTag(FakePersonality::A)};
    auto session = Open();
    ASSERT_TRUE(session);
    const int threadsBefore = ThreadCount();
    std::vector<std::uint8_t> answer;
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
        fake_->GoSilent(kReader);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(Send(*session, TagCommand::Read, {0x30, 4}, answer), CARDHOST_TIMEOUT);
        // While the exchange hangs, the reader fails at once, and no second call waits at it.
        std::array<std::uint8_t, 2> atqa{};
        for (int tick = 0; tick < 5; ++tick) {
            EXPECT_EQ(session->Request(0x52, atqa), CARDHOST_TIMEOUT);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
        EXPECT_EQ(fake_->CallsWaiting(), 1u);
        EXPECT_EQ(ThreadCount(), threadsBefore + 1);
        // Other readers, and listing them, go on meanwhile on a new context.
        EXPECT_EQ(List(), std::vector<std::string>{kReader});

        // The call comes back: the handle and context it held are let go by its thread, which
        // ends; the next wake-up connects anew.
        fake_->AnswerAgain();
        EXPECT_TRUE(Eventually([&] {
            return fake_->CallsWaiting() == 0 && fake_->OpenConnections() == 0 &&
                   ThreadCount() == threadsBefore;
        })) << fake_->OpenConnections()
            << " connections, " << ThreadCount() << " threads";
        ASSERT_EQ(WakeAndSelect(*session), CARDHOST_OK);
        EXPECT_EQ(Send(*session, TagCommand::Read, {0x30, 0}, answer), CARDHOST_OK);
        EXPECT_EQ(answer[0], kUid[0]);
    }
    EXPECT_EQ(fake_->OpenContexts(), 1u);
    EXPECT_EQ(fake_->OpenConnections(), 1u);
    session.reset();
    backend_.reset();
    EXPECT_EQ(fake_->OpenContexts(), 0u);
    EXPECT_EQ(fake_->OpenConnections(), 0u);
}

TEST(PcscCallDeadline, SecondsByDefaultAndTheEnvironmentsMillisecondsWhenValid) {
    using namespace std::chrono_literals;
    using cardhost::pcsc::CallDeadline;
    unsetenv("CARDHOST_PCSC_DEADLINE_MS");
    EXPECT_EQ(CallDeadline(), 5000ms);
    setenv("CARDHOST_PCSC_DEADLINE_MS", "250", 1);
    EXPECT_EQ(CallDeadline(), 250ms);
    for (const char* bad : {"0", "-5", "12x", "", "600001"}) {
        setenv("CARDHOST_PCSC_DEADLINE_MS", bad, 1);
        EXPECT_EQ(CallDeadline(), 5000ms) << bad;
    }
    unsetenv("CARDHOST_PCSC_DEADLINE_MS");
}

TEST(PcscStatusTable, EveryKindOfFailureHasItsOwnStatus) {
    using cardhost::pcsc::StatusOf;
    EXPECT_EQ(StatusOf(SCARD_S_SUCCESS), CARDHOST_OK);
    EXPECT_EQ(StatusOf(SCARD_E_NO_SERVICE), CARDHOST_SERVICE_UNAVAILABLE);
    EXPECT_EQ(StatusOf(SCARD_E_SERVICE_STOPPED), CARDHOST_SERVICE_UNAVAILABLE);
    EXPECT_EQ(StatusOf(SCARD_E_SHARING_VIOLATION), CARDHOST_SHARING_VIOLATION);
    EXPECT_EQ(StatusOf(SCARD_E_TIMEOUT), CARDHOST_TIMEOUT);
    EXPECT_EQ(StatusOf(SCARD_W_REMOVED_CARD), CARDHOST_NO_TAG);
    EXPECT_EQ(StatusOf(SCARD_E_NO_SMARTCARD), CARDHOST_NO_TAG);
    EXPECT_EQ(StatusOf(SCARD_W_UNRESPONSIVE_CARD), CARDHOST_NO_ANSWER);
    EXPECT_EQ(StatusOf(SCARD_E_READER_UNAVAILABLE), CARDHOST_DETACHED);
    EXPECT_EQ(StatusOf(SCARD_E_NO_READERS_AVAILABLE), CARDHOST_NO_DEVICE);
    EXPECT_EQ(StatusOf(SCARD_E_INSUFFICIENT_BUFFER), CARDHOST_BUFFER_SMALL);
    EXPECT_EQ(StatusOf(SCARD_E_UNSUPPORTED_FEATURE), CARDHOST_NOT_SUPPORTED);
    EXPECT_EQ(StatusOf(SCARD_E_INVALID_PARAMETER), CARDHOST_BAD_ARGUMENT);
    EXPECT_EQ(StatusOf(SCARD_F_COMM_ERROR), CARDHOST_READER_ERROR);
}

TEST(PcscTransparentAnswer, DataNakAckSilenceAndDamage) {
    using cardhost::pcsc::ParseTransparentAnswer;
    const std::vector<std::uint8_t> data{0xC0, 0x03, 0x00, 0x90, 0x00, 0x96, 0x02,
                                         0x00, 0x00, 0x97, 0x02, 0xAB, 0xCD};
    auto raw = ParseTransparentAnswer(data);
    EXPECT_EQ(raw.status, CARDHOST_OK);
    EXPECT_EQ(raw.data, (std::vector<std::uint8_t>{0xAB, 0xCD}));
    raw = ParseTransparentAnswer(std::vector<std::uint8_t>{0xC0, 0x03, 0x00, 0x90, 0x00, 0x92, 0x01,
                                                           0x04, 0x97, 0x01, 0x04});
    EXPECT_EQ(raw.status, CARDHOST_NAK_BASE | 0x04);
    raw = ParseTransparentAnswer(std::vector<std::uint8_t>{0xC0, 0x03, 0x00, 0x90, 0x00, 0x92, 0x01,
                                                           0x04, 0x97, 0x01, 0x0A});
    EXPECT_EQ(raw.status, CARDHOST_OK);
    EXPECT_TRUE(raw.data.empty());
    raw = ParseTransparentAnswer(std::vector<std::uint8_t>{0xC0, 0x03, 0x01, 0x64, 0x01});
    EXPECT_EQ(raw.status, CARDHOST_NO_ANSWER);
    // Cut short, or a length running past the end: the reader's answer is not trusted.
    raw = ParseTransparentAnswer(std::vector<std::uint8_t>{0xC0, 0x03, 0x00, 0x90});
    EXPECT_EQ(raw.status, CARDHOST_READER_ERROR);
    raw = ParseTransparentAnswer(
        std::vector<std::uint8_t>{0xC0, 0x03, 0x00, 0x90, 0x00, 0x97, 0x05, 0x01});
    EXPECT_EQ(raw.status, CARDHOST_READER_ERROR);

    const auto longForm =
        cardhost::pcsc::ParseTlvs(std::vector<std::uint8_t>{0x97, 0x81, 0x01, 0x55});
    ASSERT_TRUE(longForm);
    EXPECT_EQ((*longForm)[0].value, std::vector<std::uint8_t>{0x55});
}

}  // namespace
}  // namespace tagwright::test
