// SPDX-License-Identifier: MIT
#include "pcsc_escape.h"

#include <cstdio>
#include <cstdlib>

namespace cardhost::pcsc {
namespace {

constexpr std::uint8_t kGreen = 2;
constexpr std::uint8_t kRed = 1;

// A refusal goes to CARDHOST_PCSC_TRACE (a file path) when it is set: the way to see, on a
// reader that keeps dark, whether its driver refused.
void Trace(const std::string& reader, LONG result) {
    const char* path = std::getenv("CARDHOST_PCSC_TRACE");
    if (path == nullptr || *path == '\0') return;
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "escape refused: %s: 0x%08lX\n", reader.c_str(),
                     static_cast<unsigned long>(result));
        std::fclose(file);
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> LightEscape(Personality personality, std::uint8_t state) {
    switch (personality) {
        case Personality::DirectTransmit: {
            // ACR122U LED control: P2 low bits are the final red/green state, bits 2-3 the
            // masks that make both apply.
            std::uint8_t p2 = 0x0C;
            if (state == kGreen) p2 |= 0x02;
            if (state == kRed) p2 |= 0x01;
            return std::vector<std::uint8_t>{0xFF, 0x00, 0x40, p2, 0x04, 0x00, 0x00, 0x00, 0x00};
        }
        case Personality::TransparentSession: {
            std::uint8_t leds = 0x00;
            if (state == kGreen) leds = 0x02;
            if (state == kRed) leds = 0x01;
            return std::vector<std::uint8_t>{0xE0, 0x00, 0x00, 0x29, 0x01, leds};
        }
        case Personality::Unknown:
        case Personality::StorageOnly:
            break;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> BuzzerEscape(Personality personality,
                                                      std::uint8_t length) {
    switch (personality) {
        case Personality::DirectTransmit: {
            // The ACR122U counts in 100 ms: a beep shorter than that still sounds once.
            const auto tenths = static_cast<std::uint8_t>(length < 10 ? 1 : length / 10);
            return std::vector<std::uint8_t>{0xFF,   0x00, 0x40, 0x00, 0x04,
                                             tenths, 0x00, 0x01, 0x01};
        }
        case Personality::TransparentSession:
            return std::vector<std::uint8_t>{0xE0, 0x00, 0x00, 0x28, 0x01, length};
        case Personality::Unknown:
        case Personality::StorageOnly:
            break;
    }
    return std::nullopt;
}

void SendEscape(PcscApi& api, SCARDHANDLE handle,
                const std::optional<std::vector<std::uint8_t>>& escape, EscapeRecord& record,
                const std::string& reader) {
    if (!escape || handle == 0) {
        ++record.unknown;
        return;
    }
    std::vector<std::uint8_t> answer;
    const LONG result = api.Control(handle, kEscapeControlCode, *escape, answer);
    if (result == SCARD_S_SUCCESS) {
        ++record.sent;
        return;
    }
    ++record.refused;
    record.lastRefusal = result;
    Trace(reader, result);
}

}  // namespace cardhost::pcsc
