// SPDX-License-Identifier: MIT
#include "utf8_text.h"

#include <cstdint>
#include <cstdio>

namespace tagwright::cli {
namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0 when there is none (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF).
std::size_t SequenceLength(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[at + i]); };
    const auto continuation = [&](std::size_t i) {
        return at + i < s.size() && (byte(i) & 0xC0) == 0x80;
    };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2)) return 0;
        if (lead == 0xE0 && byte(1) < 0xA0) return 0;  // overlong
        if (lead == 0xED && byte(1) > 0x9F) return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
        if (lead == 0xF0 && byte(1) < 0x90) return 0;  // overlong
        if (lead == 0xF4 && byte(1) > 0x8F) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

std::string Escaped(std::uint8_t byte) {
    char out[5];
    std::snprintf(out, sizeof out, "\\x%02X", byte);
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = SequenceLength(bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string ReplaceInvalidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = SequenceLength(bytes, at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
        } else {
            out.append(bytes, at, length);
            at += length;
        }
    }
    return out;
}

std::string HexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    return out;
}

std::string EscapeForTerminal(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<std::uint8_t>(bytes[at]);
        const std::size_t length = SequenceLength(bytes, at);
        if (length == 0) {
            out += Escaped(byte);
            ++at;
            continue;
        }
        if (length == 1 && (byte < 0x20 || byte == 0x7F)) {
            switch (byte) {
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    out += Escaped(byte);
            }
        } else if (length == 2 && byte == 0xC2 && static_cast<std::uint8_t>(bytes[at + 1]) < 0xA0) {
            // C1 controls (U+0080 to U+009F) act on some terminals as well.
            out += Escaped(byte);
            out += Escaped(static_cast<std::uint8_t>(bytes[at + 1]));
        } else {
            out.append(bytes, at, length);
        }
        at += length;
    }
    return out;
}

}  // namespace tagwright::cli
