// SPDX-License-Identifier: MIT
// The program's version, one for every program of the project, and the git revision it was built
// from where the build had one.
#pragma once

#include <string>
#include <string_view>

namespace tagwright::version {

std::string_view Version();   // "0.1.0"
std::string_view Revision();  // "0f362f0a1b2c-dirty", or empty outside a git checkout

// "tagwright-cli 0.1.0 (git 0f362f0a1b2c)", or without the parenthesis when revision is empty.
std::string VersionLine(std::string_view program, std::string_view version,
                        std::string_view revision);
std::string VersionLine(std::string_view program);

}  // namespace tagwright::version
