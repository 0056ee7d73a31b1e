// SPDX-License-Identifier: MIT
// How a Read tells the operator what detection found, through the operation controller.
#include <gtest/gtest.h>

#include <cardhost/cardhost.h>

#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using panels::PanelKind;
using panels::RunResult;

// How a Read tells the operator what detection found: the log cleared for a new tag and the
// identification line, the failed call with its status, and in Auto operation the wait in blue.
class DetectionAsShown : public PanelRig {};

TEST_F(DetectionAsShown, ANewTagClearsTheLogAndIsNamedByModelAndUid) {
    auto& read = Controller(PanelKind::Text);
    feed::AppendLog(0, "from before", feed::kBlue);
    read.RunRead();
    ASSERT_GE(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0].text, "NTAG213, UID: " + FieldUid());
    EXPECT_EQ(sink.lines[0].colour, feed::kBlue);
    EXPECT_EQ(sink.lines[0].number, 1);  // the log was cleared first

    // Clear key keeps the log it found.
    feed::AppendLog(0, "before", feed::kBlue);
    const auto kept = sink.lines.size();
    Controller(PanelKind::Text).RunClearKey();
    EXPECT_EQ(sink.lines[kept - 1].text, "before");
}

TEST_F(DetectionAsShown, AnEmptyFieldIsAFailedRequestOrAWaitInAutoOperation) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    auto& read = Controller(PanelKind::Text);
    feed::AppendLog(0, "kept", feed::kBlue);
    EXPECT_EQ(read.RunRead(), RunResult::NoTag);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"kept", "TyA_Request"}));
    EXPECT_EQ(sink.lines[1].code, CARDHOST_NO_TAG);
    EXPECT_EQ(sink.lines[1].colour, feed::kRed);

    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    panel.autoOp = true;
    EXPECT_EQ(read.RunRead(), RunResult::NoTag);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Waiting for card ......"}));
    EXPECT_EQ(sink.lines[0].colour, feed::kBlue);
    EXPECT_NE(SimOk({"stats", "--reader", "SIM-0001"}).find("lights 1\n"), std::string::npos);
}

TEST_F(DetectionAsShown, FailuresAreOneRedLineWithTheirStatus) {
    auto& read = Controller(PanelKind::Text);
    SimOk({"fault", "fail", "TyA_NTAG_AnticollSelect", "--reader", "SIM-0001"});
    feed::AppendLog(0, "kept without auto", feed::kBlue);
    EXPECT_EQ(read.RunRead(), RunResult::Failed);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"kept without auto", "Non NTAG card !"}));
    SimOk({"fault", "fail", "TyA_NTAG_AnticollSelect", "--reader", "SIM-0001"});
    panel.autoOp = true;
    EXPECT_EQ(read.RunRead(), RunResult::Failed);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Non NTAG card !"}));
    panel.autoOp = false;

    last.Clear();
    SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x0b"});
    EXPECT_EQ(read.RunRead(), RunResult::Failed);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Failed to recognize the tag model !"}));
    EXPECT_EQ(feed::FormatErrorCode(sink.lines[0].code), "Error Code: 0x0b");
    EXPECT_EQ(sink.lines[0].colour, feed::kRed);
}

// The window's Auto operation box stays live while a reader call runs: what an empty field
// means is decided by the box as the run began, not as the call came back.
const reader::ReaderApi* g_realReader = nullptr;
FakePanel* g_tickedDuringTheCall = nullptr;

int32_t RequestWhileTheBoxIsTicked(int32_t handle, uint8_t code, uint8_t* atqa) {
    const int32_t status = g_realReader->TyA_Request(handle, code, atqa);
    g_tickedDuringTheCall->autoOp = !g_tickedDuringTheCall->autoOp;
    return status;
}

TEST_F(DetectionAsShown, TheAutoBoxIsReadBeforeTheWakeUp) {
    EmptyTheField();
    reader::ReaderApi ticking = api();
    ticking.TyA_Request = RequestWhileTheBoxIsTicked;
    g_realReader = &api();
    g_tickedDuringTheCall = &panel;
    devices->Close();
    reader::DeviceSession session(ticking, combo, panel, [](std::chrono::milliseconds) {});
    session.StartupSelection();
    session.Open();
    panels::OperationController read(PanelKind::Text, panel, session, rows, timers, last,
                                     [](std::chrono::milliseconds) {});
    feed::AppendLog(0, "kept", feed::kBlue);
    EXPECT_EQ(read.RunRead(), RunResult::NoTag);  // ticked during the call
    EXPECT_EQ(Texts(), (std::vector<std::string>{"kept", "TyA_Request"}));
    EXPECT_EQ(sink.lines.back().code, CARDHOST_NO_TAG);
    EXPECT_EQ(read.RunRead(), RunResult::NoTag);  // unticked during the call
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Waiting for card ......"}));
}

}  // namespace
}  // namespace tagwright::testing
