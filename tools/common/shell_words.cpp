// SPDX-License-Identifier: MIT
#include "shell_words.h"

namespace tagwright::tools {

std::string ShellQuote(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string ShellCommand(const std::string& program, const std::vector<std::string>& words) {
    std::string line = ShellQuote(program);
    for (const std::string& word : words) {
        line += ' ';
        line += ShellQuote(word);
    }
    return line;
}

}  // namespace tagwright::tools
