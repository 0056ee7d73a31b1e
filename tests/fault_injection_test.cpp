// Every reader call of Read, Write (with Encryption and Lock) and Clear key fails in turn: each
// run ends with at most one red line, exactly one unless the step is a silent one, and never
// with a crash; a failed page write leaves the pages before it written.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/panel_rig.h"

namespace tagwright::testing {
namespace {

using panels::PanelKind;
using panels::RunResult;

enum class Operation { Read, Write, ClearKey };

class FaultInjection : public PanelRig {
  protected:
    // A tag ready for the operation: holding a message for Read, protected for Clear key.
    std::string Prepare(Operation op) {
        const std::string uid = NewTag("NTAG213");
        if (op == Operation::Read) {
            SimOk({"tag", "poke", uid, "4", "030AD101"});
            SimOk({"tag", "poke", uid, "5", "0654027A"});
            SimOk({"tag", "poke", uid, "6", "68616263"});
            SimOk({"tag", "poke", uid, "7", "FE000000"});
        }
        if (op == Operation::ClearKey) {
            SimOk({"tag", "poke", uid, "0x29", "04000000"});
            SimOk({"tag", "poke", uid, "0x2B", "7C7C7C7C"});
        }
        SimOk({"stats", "--reader", "SIM-0001", "--reset"});
        return uid;
    }

    RunResult Run(Operation op) {
        panel = FakePanel{};
        panel.content = "hello world";  // six pages: 03 12, the record, FE
        panel.encrypt = op == Operation::Write;
        panel.lock = op == Operation::Write;
        auto& text = Controller(PanelKind::Text);
        results.clear();
        feed::ClearLog();  // Clear key and a failed wake-up keep the log: judge this run alone
        switch (op) {
            case Operation::Read:
                text.OnRead();
                break;
            case Operation::Write:
                text.OnWrite();
                break;
            case Operation::ClearKey:
                text.OnClearKey();
                break;
        }
        return results.empty() ? RunResult::Refused : results.back();
    }

    void FailEachCallInTurn(Operation op) {
        Prepare(op);
        ASSERT_EQ(Run(op), RunResult::Succeeded) << Texts().back();
        const auto counts = CommandCounts();
        ASSERT_GE(counts.size(), 5u);
        for (const auto& [kind, count] : counts) {
            for (std::uint64_t nth = 1; nth <= count; ++nth) {
                SCOPED_TRACE(kind + " #" + std::to_string(nth));
                const std::string uid = Prepare(op);
                const auto before = Memory(uid);
                SimOk({"fault", "fail", kind, "--reader", "SIM-0001", "--nth", std::to_string(nth),
                       "--status", "0x33"});
                const RunResult result = Run(op);
                EXPECT_LE(RedLines(), 1);
                if (result == RunResult::Succeeded) {
                    EXPECT_EQ(RedLines(), 0);
                } else if (!SilentStep(op, kind, nth)) {
                    EXPECT_EQ(RedLines(), 1) << kind;
                }
                if (op == Operation::Write && kind == "TyA_NTAG_Write" && nth <= 6) {
                    CheckPartialWrite(uid, before, static_cast<int>(nth));
                }
            }
        }
    }

    // The re-selection after a refused authentication ends a Write without a report.
    static bool SilentStep(Operation op, const std::string& kind, std::uint64_t nth) {
        return op == Operation::Write && nth == 2 &&
               (kind == "TyA_Request" || kind == "TyA_NTAG_AnticollSelect");
    }

    // Pages before the failed one hold the new message; the failed one its old contents.
    void CheckPartialWrite(const std::string& uid, const std::vector<std::uint8_t>& before,
                           int failedWrite) {
        const auto after = Memory(uid);
        const int failedPage = 4 + failedWrite - 1;
        EXPECT_EQ(Texts().back(), "Write faild: Page" + std::to_string(failedPage) + " !");
        const auto page = [](const std::vector<std::uint8_t>& memory, int number) {
            const auto at = memory.begin() + static_cast<std::ptrdiff_t>(number) * 4;
            return std::vector<std::uint8_t>(at, at + 4);
        };
        if (failedWrite > 1) {
            EXPECT_NE(page(after, 4), page(before, 4)) << "page 4 rewritten";
        }
        EXPECT_EQ(page(after, failedPage), page(before, failedPage));
    }
};

TEST_F(FaultInjection, Read) {
    FailEachCallInTurn(Operation::Read);
}
TEST_F(FaultInjection, WriteWithEncryptionAndLock) {
    FailEachCallInTurn(Operation::Write);
}
TEST_F(FaultInjection, ClearKey) {
    FailEachCallInTurn(Operation::ClearKey);
}

TEST_F(FaultInjection, AFailedPasswordPageLeavesTheTagUnprotected) {
    const std::string uid = Prepare(Operation::Write);
    // Writes: six message pages, then the password page, then AUTH0.
    SimOk({"fault", "fail", "TyA_NTAG_Write", "--reader", "SIM-0001", "--nth", "7"});
    Run(Operation::Write);
    EXPECT_EQ(Texts().back(), "Write faild: Page43 !");
    EXPECT_EQ(Memory(uid)[0x29 * 4 + 3], 0xFF);  // AUTH0 untouched: no page is protected
}

TEST_F(FaultInjection, TheTagLeavingMidWriteEndsTheRunWithOneLine) {
    const std::string uid = Prepare(Operation::Write);
    SimOk({"fault", "tear", "--reader", "SIM-0001", "--after", "9"});
    EXPECT_EQ(Run(Operation::Write), RunResult::Failed);
    EXPECT_EQ(RedLines(), 1);
    EXPECT_EQ(Texts().back().rfind("Write faild: Page", 0), 0u);
}

}  // namespace
}  // namespace tagwright::testing
