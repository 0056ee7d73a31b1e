// SPDX-License-Identifier: MIT
// cardhost-sim: sets up and inspects the simulated readers and tags.
#include "sim_tool.h"

int main(int argc, char** argv) {
    return cardhost_sim::RunTool(std::vector<std::string>(argv + 1, argv + argc));
}
