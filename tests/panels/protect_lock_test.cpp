// SPDX-License-Identifier: MIT
// Passwords and locking through the operation controller, on simulated tags.
#include <gtest/gtest.h>

#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using panels::PanelKind;
using panels::RunResult;

class ProtectLock : public PanelRig {};

TEST_F(ProtectLock, EncryptClearAndRewriteWithTheDefaultKeys) {
    const std::string uid = NewTag("NTAG213", "datasheet");
    panel.encrypt = true;
    panel.content = "secret";
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Encryption successful !");
    EXPECT_EQ(Pages(uid, 0x29, 1)[3], 0x00);                          // AUTH0
    EXPECT_EQ(Pages(uid, 0x2B, 1), (Bytes{0x7C, 0x7C, 0x7C, 0x7C}));  // PWD

    // The same keys authenticate and rewrite it.
    panel.encrypt = false;
    panel.content = "again";
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: again");

    // A wrong Original key: silently unauthenticated, refused at the first page.
    panel.originalKey = "01020304";
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write faild: Page4 !");
    text.OnClearKey();
    EXPECT_EQ(Texts().back(), "Authentication key fail !");
    EXPECT_EQ(Pages(uid, 0x29, 1)[3], 0x00);

    panel.originalKey = "7C7C7C7C";
    text.OnClearKey();
    EXPECT_EQ(Texts().back(), "Password cleared successfully !");
    EXPECT_EQ(Pages(uid, 0x29, 1), (Bytes{0x04, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(Pages(uid, 0x2B, 1), (Bytes{0x7C, 0x7C, 0x7C, 0x7C}));
    text.OnRead();
    EXPECT_EQ(panel.shownText, "again");
}

TEST_F(ProtectLock, ANewPasswordIsSetAndNeededAfterwards) {
    const std::string uid = NewTag("NTAG215");
    panel.encrypt = true;
    panel.newKey = "A1b2C3d4";
    panel.content = "x";
    Controller(PanelKind::Url).OnWrite();
    EXPECT_EQ(Texts().back(), "Encryption successful !");
    EXPECT_EQ(Pages(uid, 0x85, 1), (Bytes{0xA1, 0xB2, 0xC3, 0xD4}));

    panel.encrypt = false;
    controller->OnWrite();  // Original key is still the default
    EXPECT_EQ(Texts().back(), "Write faild: Page4 !");
    panel.originalKey = "a1b2c3d4";
    controller->OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: x");
}

TEST_F(ProtectLock, EncryptionAndLockInOneWriteOnAFactoryTag) {
    const std::string uid = NewTag("NTAG213", "datasheet");
    panel.encrypt = true;
    panel.lock = true;
    panel.content = "locked";
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"NTAG213, UID: " + uid, "Write data succeed: locked",
                                        "The tag's password is now 7C7C7C7C !",
                                        "Encryption successful !", "Lock tag success !"}));
    EXPECT_EQ(Pages(uid, 0x28, 1), (Bytes{0xFF, 0xFF, 0xFF, 0xBD}));
    const Bytes page2 = Pages(uid, 2, 1);
    EXPECT_EQ(Bytes(page2.begin() + 2, page2.end()), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(Pages(uid, 3, 1), (Bytes{0xE1, 0x10, 0x12, 0x00}));  // CC unchanged
}

TEST_F(ProtectLock, ALockedTagStillReadsButRefusesItsFirstPageWrite) {
    const std::string uid = NewTag("NTAG213");
    panel.lock = true;
    panel.content = "final";
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Lock tag success !");
    panel.lock = false;
    panel.content = "change";
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write faild: Page4 !");
    text.OnRead();
    EXPECT_EQ(panel.shownText, "final");
}

// Encryption asked of a tag without password ends the Write with its one red line: the operator
// is never told the run succeeded while the tag stays open.
TEST_F(ProtectLock, Ntag203RefusesEncryptionAndTakesTwoDynamicLockBytes) {
    const std::string uid = NewTag("NTAG203");
    panel.encrypt = true;
    panel.lock = true;
    panel.content = "old";
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"NTAG203, UID: " + uid, "Write data succeed: old",
                                        "The tag does not support password protection !"}));
    EXPECT_EQ(RedLines(), 1);
    EXPECT_TRUE(pauses.empty());                                      // no success feedback
    EXPECT_EQ(Pages(uid, 0x28, 1), (Bytes{0x00, 0x00, 0x00, 0x00}));  // nothing locked

    panel.encrypt = false;
    controller->OnWrite();
    EXPECT_EQ(results.back(), RunResult::Succeeded);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"NTAG203, UID: " + uid, "Write data succeed: old",
                                                 "Lock tag success !"}));
    EXPECT_EQ(Pages(uid, 0x28, 1), (Bytes{0xFF, 0xFF, 0x00, 0x00}));
    controller->OnClearKey();
    EXPECT_EQ(results.back(), RunResult::Failed);
    EXPECT_EQ(Texts().back(), "Authentication key fail !");
}

// An NTAG21x that NAKs GET_VERSION and READ_SIG looks like an NTAG203. One that has accepted a
// PWD_AUTH cannot be one; one that has not is refused Encryption like an NTAG203, and an
// NTAG212 is refused by its capability container before anything is written.
TEST_F(ProtectLock, AnNtag21xRefusingVersionAndSignatureIsNeverReportedProtected) {
    const auto refuseIdentity = [this] {
        SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x20"});
        SimOk({"fault", "fail", "TyA_NTAG_ReadSig", "--reader", "SIM-0001", "--status", "0x20"});
    };
    const auto expectNoSuccess = [this] {
        EXPECT_EQ(results.back(), RunResult::Failed);
        EXPECT_EQ(RedLines(), 1) << ::testing::PrintToString(Texts());
        EXPECT_TRUE(pauses.empty());
        EXPECT_FALSE(Logged("Encryption successful !"));
        EXPECT_FALSE(Logged("Password cleared successfully !"));
        EXPECT_FALSE(Logged("Lock tag success !"));
    };
    const auto run = [this](void (panels::OperationController::*command)()) {
        results.clear();
        pauses.clear();
        (controller.get()->*command)();
    };
    Controller(PanelKind::Text);

    // Protected by the default key: Clear key authenticates, so the tag is an NTAG21x.
    std::string uid = NewTag("NTAG213");
    SimOk({"tag", "poke", uid, "0x29", "04000000"});
    SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});
    refuseIdentity();
    run(&panels::OperationController::OnClearKey);
    expectNoSuccess();
    EXPECT_EQ(Texts().back(), "Failed to recognize the tag model !");
    EXPECT_EQ(Pages(uid, 0x29, 1)[3], 0x00);  // still protected, and not said otherwise

    // The same tag written with Encryption: authenticated, so refused before anything is written.
    const Bytes before = Memory(uid);
    refuseIdentity();
    panel.encrypt = true;
    panel.content = "x";
    run(&panels::OperationController::OnWrite);
    expectNoSuccess();
    EXPECT_EQ(Texts().back(), "Failed to recognize the tag model !");
    EXPECT_EQ(Memory(uid), before);

    // A factory tag refuses the Original key: taken for an NTAG203, so Encryption fails.
    uid = NewTag("NTAG213");
    refuseIdentity();
    run(&panels::OperationController::OnWrite);
    expectNoSuccess();
    EXPECT_EQ(Texts().back(), "The tag does not support password protection !");
    EXPECT_EQ(Pages(uid, 0x29, 1)[3], 0xFF);

    // An NTAG212 as an NTAG203: its container states 128 bytes, not 144. Nothing is written, so
    // its PACK page (where an NTAG203 has its lock bytes) stays as it was.
    for (const bool encrypt : {true, false}) {
        SCOPED_TRACE(encrypt);
        uid = NewTag("NTAG212");
        const Bytes factory = Memory(uid);
        refuseIdentity();
        panel.encrypt = encrypt;
        panel.lock = true;
        run(&panels::OperationController::OnWrite);
        expectNoSuccess();
        EXPECT_EQ(Texts().back(), "Failed to recognize the tag model !");
        EXPECT_EQ(Memory(uid), factory);
    }
}

TEST_F(ProtectLock, Ntag210LockTouchesPage2Only) {
    const std::string uid = NewTag("NTAG210");
    panel.lock = true;
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(Texts().back(), "Lock tag success !");
    EXPECT_EQ(CommandCount("TyA_NTAG_Write"), 2u);  // the message page, then page 2
    EXPECT_EQ(Pages(uid, 2, 1)[3], 0xFF);
}

TEST_F(ProtectLock, Ntag210PasswordPages) {
    const std::string uid = NewTag("NTAG210");
    panel.encrypt = true;
    panel.newKey = "11223344";
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(Texts().back(), "Encryption successful !");
    EXPECT_EQ(Pages(uid, 0x10, 1)[3], 0x00);
    EXPECT_EQ(Pages(uid, 0x12, 1), (Bytes{0x11, 0x22, 0x33, 0x44}));
}

TEST_F(ProtectLock, AnUnknownModelIsWrittenButNeitherProtectedNorLocked) {
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    const std::string uid = SimOk({"tag", "new", "--layout", "plain", "--reader", "SIM-0001",
                                   "--version", "0004040201001203"});
    panel.encrypt = true;
    panel.content = "x";
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    EXPECT_EQ(Texts(), (std::vector<std::string>{", UID: " + uid, "Write data succeed: x",
                                                 "Failed to recognize the AUTH0 address !"}));
    panel.encrypt = false;
    panel.lock = true;
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Failed to recognize the dynamic lock bytes address !");
    EXPECT_EQ(Pages(uid, 2, 1)[2], 0x00);
    SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});  // so that Clear key authenticates
    text.OnClearKey();
    EXPECT_EQ(Texts().back(), "Failed to recognize the AUTH0 address !");
}

// The PWD_AUTH with the New key after AUTH0 was written is what proves the password page: its
// refusal is that page's failed verification, with the status, and nothing claims a key.
TEST_F(ProtectLock, ARefusedAuthenticationWithTheNewKeyIsAFailureWithItsStatus) {
    const std::string uid = NewTag("NTAG213");
    panel.encrypt = panel.lock = true;
    panel.newKey = "0A0B0C0D";
    panel.content = "x";
    // The first PWD_AUTH (Original key) is refused by the factory tag; fail the second.
    SimOk({"fault", "fail", "TyA_NTAG_PwdAuth", "--reader", "SIM-0001", "--nth", "2", "--status",
           "0x20"});
    Controller(PanelKind::Text).OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);
    EXPECT_EQ(Texts().back(), "Verify failed: Page43 !");
    EXPECT_EQ(sink.lines.back().code, 0x20);
    EXPECT_EQ(sink.lines.back().colour, feed::kRed);
    EXPECT_EQ(RedLines(), 1);
    EXPECT_FALSE(Logged("Encryption successful !"));
    EXPECT_FALSE(Logged("Lock tag success !"));
    EXPECT_FALSE(Logged("The tag's password is now the New key !"));
    EXPECT_EQ(Pages(uid, 2, 1)[2], 0x00);  // nothing locked
}

TEST_F(ProtectLock, AKeyChangeThatFailsHalfWaySaysWhichKeyTheTagAnswersTo) {
    const std::string uid = NewTag("NTAG213");
    SimOk({"tag", "poke", uid, "0x29", "04000004"});  // protected from page 4 ...
    SimOk({"tag", "poke", uid, "0x2B", "11111111"});  // ... by key 11111111
    panel.encrypt = true;
    panel.originalKey = "11111111";
    panel.newKey = "0A0B0C0D";  // its PACK is 06 06, the old key's 00 00
    panel.content = "x";        // three pages; the factory PACK, the password, its PACK, then AUTH0
    SimOk({"fault", "fail", "TyA_NTAG_Write", "--reader", "SIM-0001", "--nth", "7"});
    auto& text = Controller(PanelKind::Text);
    text.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);
    const auto texts = Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "Write faild: Page41 !");
    EXPECT_EQ(texts.back(), "The tag's password is now the New key !");
    EXPECT_EQ(sink.lines.back().colour, feed::kRed);

    // As the log says: the old key no longer opens the tag, the new one does.
    panel.encrypt = false;
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write faild: Page4 !");
    panel.originalKey = "0A0B0C0D";
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: x");

    // Cut off at the password page: the old key still opens the tag, its PACK accepted.
    const std::string other = NewTag("NTAG213");
    SimOk({"tag", "poke", other, "0x29", "04000000"});
    SimOk({"tag", "poke", other, "0x2B", "11111111"});
    panel.encrypt = true;
    panel.originalKey = "11111111";
    SimOk({"fault", "fail", "TyA_NTAG_Write", "--reader", "SIM-0001", "--nth", "5"});
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write faild: Page43 !");
    panel.encrypt = false;
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: x");
}

// A tag whose GET_VERSION names another model (or model code 0) is never reported protected,
// locked or cleared: its configuration and lock pages are not where that model has them.
TEST_F(ProtectLock, AVersionNamingAnotherModelNeverEndsInSuccess) {
    const std::pair<const char*, std::uint8_t> models[] = {{"NTAG203", 0x00}, {"NTAG210", 0x0B},
                                                           {"NTAG212", 0x0E}, {"NTAG213", 0x0F},
                                                           {"NTAG215", 0x11}, {"NTAG216", 0x13}};
    const std::uint8_t configPages[] = {0, 0x10, 0x25, 0x29, 0x83, 0xE3};
    for (std::size_t chip = 0; chip < std::size(models); ++chip) {
        for (const auto& [named, code] : models) {
            if (code == models[chip].second) continue;
            SCOPED_TRACE(std::string(models[chip].first) + " answering as " + named);
            char version[17];
            std::snprintf(version, sizeof version, "000404020100%02X03", code);
            EmptyTheField();
            const std::string uid = SimOk({"tag", "new", "--model", models[chip].first, "--layout",
                                           "plain", "--reader", "SIM-0001", "--version", version});
            panel = FakePanel{};
            panel.encrypt = panel.lock = true;
            panel.content = "x";
            auto& text = Controller(PanelKind::Text);
            text.OnWrite();
            EXPECT_NE(results.back(), RunResult::Succeeded);
            for (const auto& line : Texts()) {
                EXPECT_NE(line, "Encryption successful !");
                EXPECT_NE(line, "Lock tag success !");
            }
            if (chip == 0) continue;  // NTAG203 has no password to clear
            const auto config = configPages[chip];
            SimOk({"tag", "poke", uid, std::to_string(config), "04000000"});
            SimOk({"tag", "poke", uid, std::to_string(config + 2), "7C7C7C7C"});
            text.OnClearKey();
            EXPECT_NE(results.back(), RunResult::Succeeded);
            for (const auto& line : Texts())
                EXPECT_NE(line, "Password cleared successfully !");
        }
    }
}

// The capability container states the data area of the model the tag really is: a tag whose
// GET_VERSION names another model is refused before anything is written, even with only "Lock
// Tag" checked (an NTAG212 named NTAG213 would get its PACK page written as the lock page).
// NTAG203 and NTAG213 state the same area and keep their lock bytes on the same page.
TEST_F(ProtectLock, AContainerOfAnotherModelIsRefusedBeforeAnythingIsWritten) {
    const std::pair<const char*, std::uint8_t> models[] = {{"NTAG210", 0x0B}, {"NTAG212", 0x0E},
                                                           {"NTAG213", 0x0F}, {"NTAG215", 0x11},
                                                           {"NTAG216", 0x13}, {"NTAG203", 0x00}};
    for (const auto& [chip, chipCode] : models) {
        for (const auto& [named, code] : models) {
            if (code == chipCode || code == 0x00) continue;
            const std::string pair = std::string(chip) + named;
            if (pair == "NTAG203NTAG213") continue;
            SCOPED_TRACE(std::string(chip) + " answering as " + named);
            char version[17];
            std::snprintf(version, sizeof version, "000404020100%02X03", code);
            EmptyTheField();
            const std::string uid = SimOk(
                {"tag", "new", "--model", chip, "--reader", "SIM-0001", "--version", version});
            const Bytes factory = Memory(uid);
            panel = FakePanel{};
            panel.lock = true;
            panel.content = "x";
            results.clear();
            Controller(PanelKind::Text).OnWrite();
            EXPECT_EQ(results.back(), RunResult::Failed);
            EXPECT_EQ(Texts().back(), "Failed to recognize the tag model !");
            EXPECT_EQ(Memory(uid), factory);
        }
    }
}

// A GET_VERSION that the tag refuses once costs a selection, and with it the authentication:
// Write and Clear key authenticate again rather than fail on a protected tag.
TEST_F(ProtectLock, ARefusedGetVersionDoesNotCostTheAuthentication) {
    const std::string uid = NewTag("NTAG213");
    SimOk({"tag", "poke", uid, "0x29", "04000000"});
    SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});
    panel.content = "kept";
    auto& text = Controller(PanelKind::Text);
    SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x20"});
    text.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Succeeded) << ::testing::PrintToString(Texts());
    SimOk({"fault", "fail", "TyA_NTAG_GetVersion", "--reader", "SIM-0001", "--status", "0x20"});
    text.OnClearKey();
    EXPECT_EQ(results.back(), RunResult::Succeeded) << ::testing::PrintToString(Texts());
    EXPECT_EQ(Pages(uid, 0x29, 1)[3], 0xFF);
}

TEST_F(ProtectLock, ShortKeysAreRefusedBeforeAnyReaderCall) {
    NewTag("NTAG213");
    SimOk({"stats", "--reader", "SIM-0001", "--reset"});
    auto& text = Controller(PanelKind::Text);
    panel.originalKey = "7C7C7C";
    text.OnWrite();
    EXPECT_EQ(sink.status, "Original key must be 8 hexadecimal digits !");
    EXPECT_EQ(sink.statusColour, feed::kRed);
    text.OnClearKey();
    panel.originalKey = "7C7C7C7C";
    panel.newKey = "12";
    panel.encrypt = true;
    text.OnWrite();
    EXPECT_EQ(sink.status, "New key must be 8 hexadecimal digits !");
    panel.newKey = "1234567G";
    text.OnWrite();
    EXPECT_EQ(SimOk({"stats", "--reader", "SIM-0001"}).find("command"), std::string::npos);
    // Without Encryption the New key is not used, so it does not matter.
    panel.encrypt = false;
    text.OnWrite();
    EXPECT_EQ(Texts().back(), "Write data succeed: ");
}

}  // namespace
}  // namespace tagwright::testing
