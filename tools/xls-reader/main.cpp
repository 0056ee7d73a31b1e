// SPDX-License-Identifier: MIT
// tagwright-xls-reader [--cell-bytes N] [--text-bytes N] [--shared-strings N] PATH: prints the
// text cells of column A of an .xls workbook's first sheet for the program, which runs it as a
// separate process so that a damaged or hostile file can take down nothing but this helper. The
// limits are the program's (SheetLimits); a workbook that passes one fails (exit status 1).
#include <charconv>
#include <cstdio>
#include <cstring>

#include "sheets/xls_protocol.h"
#include "xls_column.h"

namespace {

using tagwright::sheets::SheetLimits;

template <typename Number>
bool ParseLimit(const char* text, Number& value) {
    const char* end = text + std::strlen(text);
    const auto [ptr, error] = std::from_chars(text, end, value);
    return error == std::errc() && ptr == end && *text != '\0';
}

bool ParseArguments(int argc, char** argv, SheetLimits& limits, const char*& path) {
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        bool ok = false;
        if (option == "--cell-bytes") {
            ok = ParseLimit(argv[i + 1], limits.cellBytes);
        } else if (option == "--text-bytes") {
            ok = ParseLimit(argv[i + 1], limits.textBytes);
        } else if (option == "--shared-strings") {
            ok = ParseLimit(argv[i + 1], limits.sharedStrings);
        } else {
            break;
        }
        if (!ok) return false;
    }
    if (i != argc - 1) return false;
    path = argv[i];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SheetLimits limits;
    const char* path = nullptr;
    if (!ParseArguments(argc, argv, limits, path)) {
        std::fputs(
            "usage: tagwright-xls-reader [--cell-bytes N] [--text-bytes N] "
            "[--shared-strings N] PATH\n",
            stderr);
        return 2;
    }
    const auto column = tagwright::sheets::ReadXlsFile(path, limits);
    if (!column) return 1;
    const std::string out = tagwright::sheets::EncodeColumn(*column);
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 1;
}
