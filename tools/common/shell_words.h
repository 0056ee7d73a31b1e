// SPDX-License-Identifier: MIT
// Command lines for /bin/sh built from words, each passed on exactly as given.
#pragma once

#include <string>
#include <vector>

namespace tagwright::tools {

// The word in single quotes, its own single quotes escaped.
std::string ShellQuote(const std::string& word);

// The program and its arguments, each quoted.
std::string ShellCommand(const std::string& program, const std::vector<std::string>& words);

}  // namespace tagwright::tools
