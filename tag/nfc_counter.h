// SPDX-License-Identifier: MIT
// The NFC counter of NTAG213, NTAG215 and NTAG216: 24 bits that the tag counts up at the first
// READ or FAST_READ after each activation, once switched on in the ACCESS byte of the second
// configuration page (NFC_CNT_EN), READ_CNT then answering with it unless NFC_CNT_PWD_PROT asks
// for the password first.
#pragma once

#include <cstdint>
#include <optional>

#include "detection.h"
#include "failure.h"

namespace tagwright::tag {

// Whether the model has the counter (NTAG203, NTAG210 and NTAG212 have none).
bool HasNfcCounter(ModelCode model);

// Switches the counter on, with its password protection on or off as `passwordProtected` says,
// keeping the other bits of ACCESS; the page is read back. NoCounter for a model without one.
Outcome EnableNfcCounter(TagLink link, ModelCode model, bool passwordProtected);

// The counter, read with READ_CNT; nothing when the model has none, when it is off, or when it
// is protected and `authenticated` is false (READ_CNT would be refused and the tag left idle).
Result<std::optional<std::uint32_t>> ReadNfcCounter(TagLink link, ModelCode model,
                                                    bool authenticated = false);

}  // namespace tagwright::tag
