// SPDX-License-Identifier: MIT
// ACCESS, byte 0 of the second configuration page of NTAG21x: read protection (PROT), the
// configuration lock (CFGLCK), the NFC counter's two bits and the attempt limit (AUTHLIM).
#pragma once

#include <cstdint>

#include "detection.h"
#include "failure.h"

namespace tagwright::tag {

inline constexpr std::uint8_t kAccessProt = 0x80;            // PROT: reads need the key too
inline constexpr std::uint8_t kAccessConfigLock = 0x40;      // CFGLCK
inline constexpr std::uint8_t kAccessCounterEnable = 0x10;   // NFC_CNT_EN
inline constexpr std::uint8_t kAccessCounterProtect = 0x08;  // NFC_CNT_PWD_PROT

// The page that holds ACCESS, or why the model has none (NoPassword: NTAG203; Auth0Unknown: a
// model the table does not know).
Result<std::uint8_t> AccessPage(ModelCode model);

inline constexpr std::uint8_t kAccessAttemptLimit = 0x07;  // AUTHLIM

// Sets bits of ACCESS, first clearing those of `cleared`, keeping the others, and reads the page
// back.
Outcome SetAccessBits(TagLink link, ModelCode model, std::uint8_t bits, std::uint8_t cleared = 0);

// AUTHLIM: after `limit` (1 to 7) wrong keys in all, the tag refuses every key for good.
Outcome SetAttemptLimit(TagLink link, ModelCode model, std::uint8_t limit);

}  // namespace tagwright::tag
