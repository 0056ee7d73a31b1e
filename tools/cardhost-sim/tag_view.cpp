// SPDX-License-Identifier: MIT
#include "tag_view.h"

#include <cstdio>
#include <sstream>

#include "cardhost/sim/hex.h"

namespace cardhost_sim {
namespace {

using cardhost::sim::ChipFacts;

std::string PageRole(const ChipFacts& f, int page) {
    if (page <= 1) return "UID";
    if (page == 2) return "UID, static lock";
    if (page == 3) return "capability container";
    if (page <= f.lastUserPage) return "";
    if (f.dynamicLockPage && page == *f.dynamicLockPage) return "dynamic lock";
    if (f.cfg0Page) {
        const int offset = page - *f.cfg0Page;
        static const char* kNames[] = {"CFG0 (AUTH0 in byte 3)", "CFG1 (ACCESS in byte 0)",
                                       "PWD (reads as 00)", "PACK (reads as 00)"};
        if (offset >= 0 && offset < 4) return kNames[offset];
    }
    return "counter";
}

std::string Printable(const std::uint8_t* bytes) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        text.push_back(bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.');
    }
    return text;
}

}  // namespace

std::string DescribeTag(const cardhost::sim::NtagChip& chip, const std::string& whereabouts) {
    const ChipFacts& f = chip.facts();
    std::ostringstream out;
    out << f.name << "  UID " << cardhost::sim::ToHex(chip.uid()) << "  " << whereabouts << '\n';
    out << "failed authentications " << +chip.failedAuthentications() << ", NFC counter "
        << chip.nfcCounter() << '\n';
    const auto& mem = chip.memory();
    for (int page = 0; page <= f.lastPage; ++page) {
        const std::uint8_t* bytes = &mem[static_cast<std::size_t>(page) * 4];
        char line[64];
        std::snprintf(line, sizeof line, "%3d 0x%02X  %02X %02X %02X %02X  ", page, page, bytes[0],
                      bytes[1], bytes[2], bytes[3]);
        out << line << Printable(bytes);
        const std::string role = PageRole(f, page);
        if (!role.empty()) out << "  " << role;
        out << '\n';
    }
    return out.str();
}

}  // namespace cardhost_sim
