// SPDX-License-Identifier: MIT
#include "version.h"

#include "tagwright_version.h"

namespace tagwright::version {

std::string_view Version() {
    return TAGWRIGHT_VERSION_TEXT;
}

std::string_view Revision() {
    return TAGWRIGHT_GIT_REVISION_TEXT;
}

std::string VersionLine(std::string_view program, std::string_view version,
                        std::string_view revision) {
    std::string line = std::string(program) + " " + std::string(version);
    if (!revision.empty()) line += " (git " + std::string(revision) + ")";
    return line;
}

std::string VersionLine(std::string_view program) {
    return VersionLine(program, Version(), Revision());
}

}  // namespace tagwright::version
