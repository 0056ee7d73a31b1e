// SPDX-License-Identifier: MIT
// Read-back verification through the operation controller: a weak page (acknowledged, but stored
// with other bytes) goes unnoticed without --verify and fails the Write with it, whichever page
// of the message, password, AUTH0 or lock bytes it is (each panel's last message page: the
// battery over the record kinds).
#include <gtest/gtest.h>

#include <map>

#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using panels::PanelKind;
using panels::RunResult;

class Verify : public PanelRig {
  protected:
    RunResult Write(PanelKind kind) {
        results.clear();
        pauses.clear();
        SimOk({"stats", "--reader", "SIM-0001", "--reset"});
        Controller(kind).OnWrite();
        return results.empty() ? RunResult::Refused : results.back();
    }
    void Weak(int page, int nth = 1) {
        SimOk({"fault", "weak", "--reader", "SIM-0001", "--page", std::to_string(page), "--nth",
               std::to_string(nth)});
    }
    bool SuccessFeedbackGiven() const { return !pauses.empty(); }
};

TEST_F(Verify, AWeakMessagePageIsSilentWithoutVerifyAndAFailureWithIt) {
    panel.content = "hello world";  // 18 bytes: pages 4 to 8

    // Without verification the weak page is not noticed: the run reports success as before.
    std::string uid = NewTag("NTAG213");
    Weak(5);
    EXPECT_EQ(Write(PanelKind::Text), RunResult::Succeeded);
    EXPECT_TRUE(SuccessFeedbackGiven());
    EXPECT_EQ(Texts().back(), "Write data succeed: hello world");
    EXPECT_EQ(RedLines(), 0);
    // CC, page 4 and the configuration page (whether a mirror is on) only: no read-back.
    EXPECT_EQ(CommandCount("TyA_NTAG_Read"), 3u);
    const Bytes sent5 = Bytes{0x0E, 0x54, 0x02, 0x7A};
    EXPECT_NE(Pages(uid, 5, 1), sent5);  // the tag holds other bytes than were sent

    // With it the same fault fails the Write: one red line, no success feedback.
    uid = NewTag("NTAG213");
    Weak(5);
    panel.verify = true;
    EXPECT_EQ(Write(PanelKind::Text), RunResult::Failed);
    EXPECT_FALSE(SuccessFeedbackGiven());
    EXPECT_EQ(Texts().back(), "Verify failed: Page5 !");
    EXPECT_EQ(RedLines(), 1);

    // A sound tag verifies: pages 4 to 8 come back in two more READs.
    uid = NewTag("NTAG213");
    EXPECT_EQ(Write(PanelKind::Text), RunResult::Succeeded);
    EXPECT_TRUE(SuccessFeedbackGiven());
    EXPECT_EQ(RedLines(), 0);
    EXPECT_EQ(CommandCount("TyA_NTAG_Read"), 5u);
    EXPECT_EQ(Pages(uid, 5, 1), sent5);
}

TEST_F(Verify, PasswordAuth0AndLockPagesAreReadBackToo) {
    panel.verify = true;
    panel.encrypt = true;
    panel.lock = true;
    panel.newKey = "11223344";
    panel.content = "x";
    // NTAG213: static lock page 2, dynamic lock 0x28, AUTH0 0x29, password 0x2B.
    NewTag("NTAG213");
    ASSERT_EQ(Write(PanelKind::Text), RunResult::Succeeded) << Texts().back();
    EXPECT_EQ(RedLines(), 0);

    const std::pair<int, const char*> pages[] = {
        {2, "Verify failed: Page2 !"},      // static lock bytes stored as FE FE
        {0x28, "Verify failed: Page40 !"},  // dynamic lock bytes
        {0x29, "Verify failed: Page41 !"},  // AUTH0 kept as 0x01: pages 0 protected no more
        {0x2B, "Verify failed: Page43 !"},  // the password reads as zeros: proven by PWD_AUTH
    };
    for (const auto& [page, line] : pages) {
        SCOPED_TRACE(page);
        // The tag answers to the Original key, so the Write stays authenticated and nothing but
        // the read-back can notice a password stored wrong.
        SimOk({"tag", "poke", NewTag("NTAG213"), "0x2B", "7C7C7C7C"});
        Weak(page);
        EXPECT_EQ(Write(PanelKind::Text), RunResult::Failed);
        EXPECT_TRUE(Logged(line)) << ::testing::PrintToString(Texts());
        EXPECT_FALSE(SuccessFeedbackGiven());
    }
}

// The pages that protect or lock a tag are read back whether --verify is given or not: a tag
// reported protected is protected, one reported open is open, one reported locked is locked.
TEST_F(Verify, ProtectionAndLockPagesAreReadBackWithoutVerify) {
    panel.newKey = "11223344";
    panel.content = "x";
    struct Case {
        bool encrypt, lock;
        int weakPage;
        std::vector<std::string> lastLines;  // all red
    };
    const std::string newKeyLine = "The tag's password is now the New key !";
    const Case cases[] = {
        // AUTH0 kept as 0x01; the password was proven before the READ, so its line follows.
        {true, false, 0x29, {"Verify failed: Page41 !", newKeyLine}},
        {true, false, 0x2B, {"Verify failed: Page43 !"}},  // the password: PWD_AUTH refuses it
        {false, true, 2, {"Verify failed: Page2 !"}},      // static lock bytes stored as FE FE
        {false, true, 0x28, {"Verify failed: Page40 !"}},  // dynamic lock bytes
    };
    for (const auto& [encrypt, lock, weakPage, lastLines] : cases) {
        SCOPED_TRACE(weakPage);
        panel.encrypt = encrypt;
        panel.lock = lock;
        SimOk({"tag", "poke", NewTag("NTAG213"), "0x2B", "7C7C7C7C"});  // authenticated Write
        Weak(weakPage);
        EXPECT_EQ(Write(PanelKind::Text), RunResult::Failed);
        const auto texts = Texts();
        ASSERT_GE(texts.size(), lastLines.size());
        EXPECT_EQ(std::vector<std::string>(
                      texts.end() - static_cast<std::ptrdiff_t>(lastLines.size()), texts.end()),
                  lastLines);
        EXPECT_EQ(RedLines(), static_cast<int>(lastLines.size()));
        EXPECT_FALSE(SuccessFeedbackGiven());
        EXPECT_FALSE(Logged("Encryption successful !"));
        EXPECT_FALSE(Logged("Lock tag success !"));
    }

    // Clear key on a tag protected by the default key, its AUTH0 or password page weak.
    panel.encrypt = panel.lock = false;
    for (const auto& [weakPage, line] :
         {std::pair{0x29, "Verify failed: Page41 !"}, std::pair{0x2B, "Verify failed: Page43 !"}}) {
        const bool passwordProven = weakPage == 0x29;
        SCOPED_TRACE(weakPage);
        const std::string uid = NewTag("NTAG213");
        SimOk({"tag", "poke", uid, "0x29", "04000000"});
        SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});
        Weak(weakPage);
        results.clear();
        pauses.clear();
        sink.lines.clear();  // Clear key keeps the log
        Controller(PanelKind::Text).OnClearKey();
        EXPECT_EQ(results.back(), RunResult::Failed);
        EXPECT_TRUE(Logged(line));
        EXPECT_EQ(RedLines(), passwordProven ? 2 : 1);
        EXPECT_FALSE(SuccessFeedbackGiven());
        // Said (in red) only when the tag took the default key.
        EXPECT_EQ(Logged("The tag's password is now 7C7C7C7C !"), passwordProven);
        EXPECT_FALSE(Logged("Password cleared successfully !"));
    }
}

// Each protection page is read once: with --verify the read-back of the Write adds the message
// pages only. NTAG213, Encryption and Lock, a one-page message.
TEST_F(Verify, TheProtectionReadBackIsNotDoneTwice) {
    panel.encrypt = panel.lock = true;
    panel.content = "x";
    std::map<bool, std::pair<std::uint64_t, std::uint64_t>> calls;  // READs, PWD_AUTHs
    for (const bool verify : {false, true}) {
        SCOPED_TRACE(verify);
        panel.verify = verify;
        NewTag("NTAG213");
        ASSERT_EQ(Write(PanelKind::Text), RunResult::Succeeded) << Texts().back();
        calls[verify] = {CommandCount("TyA_NTAG_Read"), CommandCount("TyA_NTAG_PwdAuth")};
    }
    // CC, page 4; the configuration page for the mirror, then before and after the password;
    // dynamic and static lock page before, then both after.
    EXPECT_EQ(calls[false].first, 9u);
    EXPECT_EQ(calls[true].first, 10u);  // and page 4 again
    // The factory tag refuses the Original key; the New key proves the password once.
    EXPECT_EQ(calls[false].second, 2u);
    EXPECT_EQ(calls[true].second, 2u);
}

TEST_F(Verify, AFailedVerifyKeepsTheRowForTheNextTag) {
    panel.verify = true;
    panel.fromFile = true;
    panel.content = "row one";
    rows.rows = {"row two", "row three"};
    NewTag("NTAG213");
    Weak(4);
    EXPECT_EQ(Write(PanelKind::Text), RunResult::Failed);
    EXPECT_EQ(panel.content, "row one");  // not consumed by the tag that failed
    EXPECT_EQ(rows.rows.size(), 2u);
    const std::string uid = NewTag("NTAG213");
    EXPECT_EQ(Write(PanelKind::Text), RunResult::Succeeded);
    EXPECT_EQ(panel.content, "row two");
    controller->OnRead();
    EXPECT_EQ(panel.shownText, "row one");
}

TEST_F(Verify, ATagThatFailedItsVerifyReceivedNoRowAndIsNotRefusedAsIfItHad) {
    panel.verify = true;
    panel.fromFile = true;
    panel.content = "row one";
    rows.rows = {"row two"};
    auto& c = Controller(PanelKind::Text);  // one controller: one batch ledger
    c.ledger().SetUniqueTags(true);
    const std::string weak = NewTag("NTAG213");
    Weak(5);  // inside the message: the tag still opens as NDEF
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);
    // The same tag comes round again, sound this time: it takes the row it did not keep.
    SimOk({"tag", "remove", "--reader", "SIM-0001"});
    SimOk({"tag", "place", weak, "--reader", "SIM-0001"});
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Succeeded) << Texts().back();
    EXPECT_EQ(panel.content, "row two");
    // Now it has a row of this batch: refused.
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::Failed);
    EXPECT_EQ(Texts().back(), "This tag already received row 1 of this batch !");
    // Erased, it holds no row any more, and takes the next one.
    c.OnErase();
    EXPECT_EQ(results.back(), RunResult::Succeeded) << Texts().back();
    c.OnWrite();
    EXPECT_EQ(results.back(), RunResult::WrittenBatchEnded) << Texts().back();
    controller->OnRead();
    EXPECT_EQ(panel.shownText, "row two");
}

TEST_F(Verify, TheWeakFaultIsListedAndCleared) {
    Weak(7, 3);
    EXPECT_EQ(SimOk({"fault", "list", "--reader", "SIM-0001"}), "weak page 7 on write 3");
    SimOk({"fault", "clear", "--reader", "SIM-0001"});
    EXPECT_EQ(SimOk({"fault", "list", "--reader", "SIM-0001"}), "");
    EXPECT_EQ(Sim({"fault", "weak", "--reader", "SIM-0001", "--page", "256"}).exitCode, 2);
}

}  // namespace
}  // namespace tagwright::testing
