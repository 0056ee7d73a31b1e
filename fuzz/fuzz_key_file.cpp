// SPDX-License-Identifier: MIT
// Whatever a key file holds, its keys are eight hex digits each, and a refusal names the line by
// its number only: no byte of the file reaches the message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "tools/common/arguments.h"
#include "tools/tagwright-cli/key_sources.h"

namespace {

bool IsKey(const std::optional<std::string>& key) {
    return !key || (key->size() == 8 &&
                    key->find_first_not_of("0123456789abcdefABCDEF") == std::string::npos);
}

// "F line N" followed by one of the two fixed complaints.
bool IsLineComplaint(std::string_view message) {
    constexpr std::string_view kStart = "F line ";
    if (!message.starts_with(kStart)) return false;
    message.remove_prefix(kStart.size());
    const std::size_t digits = message.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string_view::npos) return false;
    message.remove_prefix(digits);
    return message == ": expected original-key=HEX or new-key=HEX" ||
           message == " takes exactly 8 hexadecimal digits";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const tagwright::cli::KeyTexts keys = tagwright::cli::ParseKeyText(text, "F");
        if (!IsKey(keys.original) || !IsKey(keys.newKey)) std::abort();
    } catch (const tagwright::tools::UsageError& error) {
        if (!IsLineComplaint(error.what())) std::abort();
    }
    return 0;
}
