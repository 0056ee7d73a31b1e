// SPDX-License-Identifier: MIT
// Password protection: authenticating, switching protection on with a new password, and
// switching it off again with the default password.
#pragma once

#include <array>
#include <cstdint>

#include "detection.h"

namespace tagwright::tag {

using Key = std::array<std::uint8_t, 4>;

// What the key fields start with, and what a cleared tag's password is.
inline constexpr Key kDefaultKey{0x7C, 0x7C, 0x7C, 0x7C};

// PWD_AUTH with the key: its status, 0 when the tag accepted the key.
std::int32_t PwdAuth(TagLink link, const Key& key);
// The same as a yes or no.
bool Authenticate(TagLink link, const Key& key);

enum class StepResult { Done, Stopped };

// After a successful write, with "Encryption" checked: stores the new key as the password and
// protects the tag from page 0 on. The password is written before AUTH0, so that a tag that
// applies AUTH0 at once never ends up protected under a password nobody set. Then the password
// is proven by authenticating with the new key (which also lets a Write that was not
// authenticated go on to the lock step) and the configuration page is read back. A line says
// which key the tag now answers to: blue once all holds, red after a failure that leaves the
// password page standing (not after the tag refused the new key). A model without password
// (NTAG203), or one the table does not know, stops the step with its red line; every failure is
// reported.
StepResult SetPassword(TagLink link, ModelCode model, const Key& newKey);

// The "Clear key" procedure on the tag in the field, from clearing the last processed UID to
// "Password cleared successfully !", with the default password proven and the configuration page
// read back before that line. True when the caller should give the success feedback.
bool ClearPassword(TagLink link, bool autoOperation, LastProcessedUid& last,
                   const Key& originalKey);

}  // namespace tagwright::tag
