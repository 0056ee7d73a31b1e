// SPDX-License-Identifier: MIT
#include "key_rules.h"

namespace tagwright::panels {
namespace {

int CharacterValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c;
}

bool IsHexDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

std::vector<std::uint8_t> KeyTextToBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int first = CharacterValue(static_cast<unsigned char>(text[i]));
        if (i + 1 == text.size()) {
            bytes.push_back(static_cast<std::uint8_t>(first));
        } else {
            const int second = CharacterValue(static_cast<unsigned char>(text[i + 1]));
            bytes.push_back(static_cast<std::uint8_t>(16 * first + second));
        }
    }
    return bytes;
}

std::optional<tag::Key> KeyFromField(std::string_view text) {
    if (text.size() < 8) return std::nullopt;
    for (std::size_t i = 0; i < 8; ++i) {
        if (!IsHexDigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    }
    const auto bytes = KeyTextToBytes(text.substr(0, 8));
    return tag::Key{bytes[0], bytes[1], bytes[2], bytes[3]};
}

std::optional<tag::Pack> PackFromText(std::string_view text) {
    if (text.size() != 4) return std::nullopt;
    for (const char c : text) {
        if (!IsHexDigit(static_cast<unsigned char>(c))) return std::nullopt;
    }
    const auto bytes = KeyTextToBytes(text);
    return tag::Pack{bytes[0], bytes[1]};
}

}  // namespace tagwright::panels
