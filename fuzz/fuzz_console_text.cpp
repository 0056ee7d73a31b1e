// SPDX-License-Identifier: MIT
// Whatever bytes a tag holds, the console's JSON text is UTF-8 and its terminal text is UTF-8
// without a control byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/tagwright-cli/utf8_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::cli;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string replaced = ReplaceInvalidUtf8(bytes);
    if (!IsValidUtf8(replaced)) std::abort();
    if (IsValidUtf8(bytes) && replaced != bytes) std::abort();
    const std::string shown = EscapeForTerminal(bytes);
    if (!IsValidUtf8(shown)) std::abort();
    for (const char c : shown) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F) std::abort();
    }
    if (HexBytes(bytes).size() != 2 * size) std::abort();
    return 0;
}
