// SPDX-License-Identifier: MIT
// The device session over the simulated readers: listing, choosing, opening and closing.
#include <gtest/gtest.h>

#include "reader/device_session.h"
#include "support/sim_env.h"
#include "testing/recording_sink.h"
#include "text/text_tables.h"

namespace tagwright::testing {
namespace {

using reader::DeviceSession;
using reader::ListDeviceCombo;

struct RecordingErrorBox : reader::ErrorBox {
    void ShowError(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class DeviceSessionTest : public SimEnvironment {
  protected:
    void SetUp() override {
        SimEnvironment::SetUp();
        text::SetUiLanguage(text::Language::English);
    }
    void TearDown() override {
        text::SetUiLanguage(text::Language::Chinese);
        SimEnvironment::TearDown();
    }
    std::vector<std::string> ComboTexts() const {
        std::vector<std::string> texts;
        for (int i = 0; i < combo.Count(); ++i)
            texts.push_back(combo.Text(i));
        return texts;
    }

    testing::RecordingSink sink;
    ListDeviceCombo combo;
    RecordingErrorBox errors;
    std::vector<std::chrono::milliseconds> pauses;
    DeviceSession session{api(), combo, errors,
                          [this](std::chrono::milliseconds d) { pauses.push_back(d); }};
};

TEST_F(DeviceSessionTest, NoReaderAttachedListsOnlyTheCaptionAndOpenAsksForADevice) {
    SimOk({"reader", "remove", "SIM-0001"});
    session.StartupSelection();
    EXPECT_EQ(ComboTexts(), (std::vector<std::string>{"- Select -"}));
    EXPECT_EQ(combo.Selected(), 0);
    EXPECT_EQ(session.selectedIndex(), -1);
    session.Open();
    EXPECT_EQ(errors.shown, (std::vector<std::string>{"Please select a device !"}));
    session.Close();
    EXPECT_EQ(errors.shown.size(), 2u);
    EXPECT_FALSE(session.ReaderReady(errors));
    EXPECT_EQ(errors.shown.size(), 3u);
}

TEST_F(DeviceSessionTest, OneReaderIsPreselectedWithoutBeingOpened) {
    session.StartupSelection();
    EXPECT_EQ(ComboTexts(), (std::vector<std::string>{"- Select -", "SIM-0001"}));
    EXPECT_EQ(combo.Selected(), 1);
    EXPECT_EQ(session.selectedIndex(), 0);
    EXPECT_EQ(session.slot(0).handle, -1);
    EXPECT_FALSE(session.ReaderReady(errors));
    EXPECT_EQ(sink.status, "Device not opened !");
    EXPECT_EQ(sink.statusColour, feed::kRed);
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(DeviceSessionTest, OpenSwitchesTheFieldOnSignalsAndIsReady) {
    session.StartupSelection();
    feed::AppendLog(0, "old line", feed::kBlue);
    session.Open();
    EXPECT_TRUE(sink.lines.empty());  // the log was cleared
    EXPECT_EQ(sink.status, "Open device successfully !");
    EXPECT_EQ(sink.statusColour, feed::kBlue);
    EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(220)}));
    EXPECT_TRUE(session.ReaderReady(errors));
    const std::string stats = SimOk({"stats", "--reader", "SIM-0001"});
    EXPECT_NE(stats.find("lights 2 1\nbuzzer 20"), std::string::npos) << stats;
    std::uint8_t atqa[2] = {};
    EXPECT_EQ(api().TyA_Request(session.selectedHandle(), 0x52, atqa), 0);

    // Open again: closed and reopened, a second beep.
    session.Open();
    EXPECT_NE(SimOk({"stats", "--reader", "SIM-0001"}).find("buzzer 20 20"), std::string::npos);
    EXPECT_TRUE(session.ReaderReady(errors));

    session.Close();
    EXPECT_EQ(sink.status, "Close device successfully !");
    EXPECT_FALSE(session.ReaderReady(errors));
    EXPECT_EQ(sink.status, "Device not opened !");
}

TEST_F(DeviceSessionTest, CloseOfANeverOpenedReaderReportsTheLibrarysStatus) {
    session.StartupSelection();
    session.Close();
    EXPECT_EQ(sink.status, "Close device successfully !");
}

TEST_F(DeviceSessionTest, AFailureWhileOpeningNamesTheEntryPointAndLeavesTheReaderOpen) {
    session.StartupSelection();
    SimOk({"fault", "fail", "Sys_SetAntenna", "--reader", "SIM-0001", "--status", "0x09"});
    session.Open();
    EXPECT_EQ(sink.status, "Error:0x09,Function:Sys_SetAntenna");
    EXPECT_EQ(sink.statusColour, feed::kRed);
    EXPECT_NE(api().Sys_IsOpen(session.selectedHandle()), 0);
    session.Open();
    EXPECT_EQ(sink.status, "Open device successfully !");

    text::SetUiLanguage(text::Language::Chinese);
    SimOk({"fault", "fail", "Sys_SetBuzzer", "--reader", "SIM-0001", "--status", "0x02"});
    session.Open();
    EXPECT_EQ(sink.status, "错误:0x02,函数:Sys_SetBuzzer");
}

// The reader library's own failures at every step of the session, in both languages.
TEST_F(DeviceSessionTest, AFailedEnumerationListsNoReaderAndOpenAsksForOne) {
    SimOk({"fault", "fail", "Sys_GetDeviceNum", "--reader", "SIM-0001", "--status", "0x0b"});
    session.StartupSelection();
    EXPECT_EQ(ComboTexts(), (std::vector<std::string>{"- Select -"}));
    EXPECT_EQ(session.selectedIndex(), -1);
    EXPECT_FALSE(session.ReaderReady(errors));
    EXPECT_EQ(errors.shown, (std::vector<std::string>{"Please select a device !"}));

    text::SetUiLanguage(text::Language::Chinese);
    SimOk({"fault", "fail", "Sys_GetDeviceNum", "--reader", "SIM-0001"});
    session.Open();  // lists again: the failure leaves nothing to open
    EXPECT_EQ(errors.shown.back(), "请选择一个设备!");
    session.OnDropDown();  // the next listing finds the reader, and the operator picks it
    combo.Select(1);
    session.OnSelectionChange();
    session.Open();
    EXPECT_EQ(sink.status, "打开设备成功!");
}

TEST_F(DeviceSessionTest, AFailedSerialEndsTheListBeforeThatReader) {
    SimOk({"reader", "add", "SIM-0002"});
    SimOk({"reader", "add", "SIM-0003"});
    SimOk({"fault", "fail", "Sys_GetHidSerialNumberStr", "--reader", "SIM-0002"});
    session.StartupSelection();
    EXPECT_EQ(ComboTexts(), (std::vector<std::string>{"- Select -", "SIM-0001"}));
    session.OnDropDown();
    EXPECT_EQ(ComboTexts(),
              (std::vector<std::string>{"- Select -", "SIM-0001", "SIM-0002", "SIM-0003"}));
}

TEST_F(DeviceSessionTest, OpenAndCloseFailuresNameTheirEntryPoint) {
    session.StartupSelection();
    SimOk({"fault", "fail", "Sys_Open", "--reader", "SIM-0001", "--status", "0x33"});
    session.Open();
    EXPECT_EQ(sink.status, "Error:0x33,Function:Sys_Open");
    EXPECT_EQ(sink.statusColour, feed::kRed);
    EXPECT_EQ(session.selectedHandle(), -1);
    EXPECT_FALSE(session.ReaderReady(errors));
    EXPECT_EQ(sink.status, "Device not opened !");

    session.Open();
    ASSERT_EQ(sink.status, "Open device successfully !");
    text::SetUiLanguage(text::Language::Chinese);
    SimOk({"fault", "fail", "Sys_Close", "--reader", "SIM-0001", "--status", "0x0b"});
    session.Close();
    EXPECT_EQ(sink.status, "错误:0x0b,函数:Sys_Close");
    EXPECT_NE(api().Sys_IsOpen(session.selectedHandle()), 0);  // still open, still usable
    EXPECT_TRUE(session.ReaderReady(errors));
    session.Close();
    EXPECT_EQ(sink.status, "关闭设备成功!");
    EXPECT_FALSE(session.ReaderReady(errors));
    EXPECT_EQ(sink.status, "设备未打开!");
}

TEST_F(DeviceSessionTest, AReaderThatSaysItIsNotOpenIsNotUsed) {
    session.StartupSelection();
    session.Open();
    SimOk({"fault", "fail", "Sys_IsOpen", "--reader", "SIM-0001"});
    EXPECT_FALSE(session.ReaderReady(errors));
    EXPECT_EQ(sink.status, "Device not opened !");
    EXPECT_TRUE(session.ReaderReady(errors));  // one failure only
}

TEST_F(DeviceSessionTest, AnUnpluggedChoiceIsReplacedByTheFirstReaderOnOpen) {
    SimOk({"reader", "add", "SIM-0002"});
    session.StartupSelection();
    combo.Select(2);
    session.OnSelectionChange();
    EXPECT_EQ(session.selectedIndex(), 1);
    SimOk({"reader", "detach", "SIM-0002"});
    session.Open();
    EXPECT_EQ(combo.Selected(), 1);
    EXPECT_EQ(session.selectedIndex(), 0);
    EXPECT_EQ(sink.status, "Open device successfully !");
}

TEST_F(DeviceSessionTest, DropDownClosesVanishedReadersAndReplugsIntoTheLowestFreeSlot) {
    SimOk({"reader", "add", "SIM-0002"});
    session.StartupSelection();
    session.Open();
    const std::int32_t opened = session.slot(0).handle;
    ASSERT_NE(opened, -1);

    SimOk({"reader", "detach", "SIM-0001"});
    session.OnDropDown();
    EXPECT_EQ(session.slot(0).serial, "");
    EXPECT_EQ(session.slot(0).handle, -1);  // closed
    EXPECT_EQ(session.slot(1).serial, "SIM-0002");
    EXPECT_EQ(ComboTexts(), (std::vector<std::string>{"- Select -", "SIM-0002"}));
    EXPECT_EQ(combo.Selected(), 0);  // the chosen reader is gone
    EXPECT_EQ(session.selectedIndex(), -1);

    SimOk({"reader", "attach", "SIM-0001"});
    session.OnDropDown();
    EXPECT_EQ(session.slot(0).serial, "SIM-0001");
    EXPECT_EQ(session.slot(1).serial, "SIM-0002");
}

TEST_F(DeviceSessionTest, TheTwentyFirstReaderIsNeverListed) {
    for (int i = 2; i <= 21; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "SIM-%04d", i);
        SimOk({"reader", "add", serial});
    }
    session.StartupSelection();
    EXPECT_EQ(combo.Count(), 21);  // caption + 20
    EXPECT_EQ(combo.Text(20), "SIM-0020");
    EXPECT_EQ(session.slot(19).serial, "SIM-0020");
}

TEST_F(DeviceSessionTest, DropDownKeepsTheChoiceWhenTheOrderChanges) {
    SimOk({"reader", "add", "sim-0002"});
    session.StartupSelection();
    combo.Select(2);
    session.OnSelectionChange();
    SimOk({"reader", "remove", "SIM-0001"});
    SimOk({"reader", "add", "SIM-0001"});  // now listed after sim-0002
    session.OnDropDown();
    EXPECT_EQ(combo.SelectedText(), "sim-0002");
    EXPECT_EQ(session.selectedIndex(), 1);
}

}  // namespace
}  // namespace tagwright::testing
