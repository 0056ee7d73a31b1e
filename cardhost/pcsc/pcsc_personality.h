// SPDX-License-Identifier: MIT
// How a PC/SC reader passes a raw tag command (GET_VERSION, PWD_AUTH, ...) to the tag. Readers
// differ; the one at hand is found by probing, not by its name.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "cardhost/library/backend.h"
#include "pcsc_api.h"

namespace cardhost::pcsc {

enum class Personality {
    Unknown,             // not probed yet: no card was there to ask
    DirectTransmit,      // A: PN532 InCommunicateThru wrapped in FF 00 00 00 (ACR122U)
    TransparentSession,  // B: PC/SC transparent exchange FF C2 (ACR1252U and alike)
    StorageOnly,         // C: READ and WRITE only; raw commands are refused
};

std::string_view PersonalityName(Personality personality);

// Asks the reader, through a connected card, which way it passes raw commands.
Personality ProbePersonality(PcscApi& api, SCARDHANDLE card, DWORD protocol);

// What came back from the tag for a raw command.
struct RawAnswer {
    LONG result = SCARD_S_SUCCESS;  // the PC/SC call failed: nothing else holds
    Status status = 0;              // CARDHOST_OK, a NAK, CARDHOST_NO_ANSWER, NOT_SUPPORTED...
    std::vector<std::uint8_t> data;
};

// Sends a tag command frame (without CRC) through the reader's pass-through.
RawAnswer SendRaw(PcscApi& api, SCARDHANDLE card, DWORD protocol, Personality personality,
                  std::span<const std::uint8_t> frame);

// The data of a transparent-session answer: its TLVs after the leading status object; a NAK
// (four bits) and silence come out as statuses. Exposed for its fuzz target.
RawAnswer ParseTransparentAnswer(std::span<const std::uint8_t> answer);

}  // namespace cardhost::pcsc
