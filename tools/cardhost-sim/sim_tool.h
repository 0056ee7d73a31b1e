// SPDX-License-Identifier: MIT
// The simulator's control tool, callable in a process that is not the tool: the tests drive the
// simulator with it without starting a program for every command.
#pragma once

#include <string>
#include <vector>

namespace cardhost_sim {

// Runs one command line of cardhost-sim (the words after the program's name), printing to
// std::cout and std::cerr as the program does; returns the program's exit status.
int RunTool(const std::vector<std::string>& words);

}  // namespace cardhost_sim
