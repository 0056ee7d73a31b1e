// SPDX-License-Identifier: MIT
// A whole workbook load of any file: the format sniffed from the content, .xls through the
// FreeXL helper process. Whatever the file does to the helper, the load fails or succeeds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "sheets/workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/tw-fuzz-workbook-" + std::to_string(getpid());
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    tagwright::sheets::Workbook book;
    if (book.Load(path) && book.FirstSheet() == nullptr) __builtin_trap();
    return 0;
}
