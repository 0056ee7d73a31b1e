// SPDX-License-Identifier: MIT
// What the console makes of bytes that may not be text: JSON that parses, terminal lines that
// show every byte and let none act.
#include <gtest/gtest.h>

#include "tools/tagwright-cli/utf8_text.h"

namespace tagwright::cli {
namespace {

TEST(Utf8Text, WellFormedSequencesOnly) {
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80"));
    EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));           // Latin-1
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));          // cut short
    EXPECT_FALSE(IsValidUtf8("\x80"));              // lone continuation
}

TEST(Utf8Text, ReplacementKeepsWhatIsTextAndMarksTheRest) {
    EXPECT_EQ(ReplaceInvalidUtf8("caf\xE9!"), "caf\xEF\xBF\xBD!");
    EXPECT_EQ(ReplaceInvalidUtf8("\xE4\xB8\xAD\xE4\xB8"), "\xE4\xB8\xAD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(HexBytes(std::string("\x00\xE9z", 3)), "00E97A");
}

TEST(Utf8Text, TerminalLinesShowEveryByteAndNoneActs) {
    EXPECT_EQ(EscapeForTerminal(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(EscapeForTerminal("caf\xE9\n\x1B[31m"), "caf\\xE9\\n\\x1B[31m");
    EXPECT_EQ(EscapeForTerminal("\xC2\x9B"
                                "1m \xC3\xA9"),
              "\\xC2\\x9B1m \xC3\xA9");  // C1 CSI
    EXPECT_EQ(EscapeForTerminal("\xE4\xB8\xAD\xE6\x96\x87 ok"), "\xE4\xB8\xAD\xE6\x96\x87 ok");
}

}  // namespace
}  // namespace tagwright::cli
