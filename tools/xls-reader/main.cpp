// tagwright-xls-reader PATH: prints the text cells of column A of an .xls workbook's first sheet
// for the program, which runs it as a separate process so that a damaged or hostile file can
// take down nothing but this helper.
#include <cstdio>

#include "freexl_column.h"
#include "panels/core/workbook/xls_protocol.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: tagwright-xls-reader PATH\n", stderr);
        return 2;
    }
    const auto column = tagwright::panels::ReadWithFreeXL(argv[1]);
    if (!column) return 1;
    const std::string out = tagwright::panels::EncodeColumn(*column);
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() ? 0 : 1;
}
