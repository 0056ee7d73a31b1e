// SPDX-License-Identifier: MIT
// Light and buzzer through the reader's escape commands. Best effort: many drivers refuse
// escapes (Debian's CCID driver unless told otherwise), and a refusal must not fail the call
// that the program makes on every Open. It is counted instead, for tests and for reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pcsc_api.h"
#include "pcsc_personality.h"

namespace cardhost::pcsc {

struct EscapeRecord {
    unsigned sent = 0;     // escapes the reader accepted
    unsigned refused = 0;  // escapes the reader or its driver refused
    unsigned unknown = 0;  // calls with no escape known for this reader
    LONG lastRefusal = SCARD_S_SUCCESS;
};

// The escape bytes for a light state (2 green, 1 red, 0 off) or a buzzer length (10 ms
// units), for readers of this personality; nothing where none is known.
std::optional<std::vector<std::uint8_t>> LightEscape(Personality personality, std::uint8_t state);
std::optional<std::vector<std::uint8_t>> BuzzerEscape(Personality personality, std::uint8_t length);

// Sends an escape and records how it went. Never fails.
void SendEscape(PcscApi& api, SCARDHANDLE handle,
                const std::optional<std::vector<std::uint8_t>>& escape, EscapeRecord& record,
                const std::string& reader);

}  // namespace cardhost::pcsc
