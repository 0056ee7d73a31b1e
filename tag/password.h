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

// After a successful write, with "Encryption" checked: stores the new key as the password and
// protects the tag from page 0 on. The password is written before AUTH0, so that a tag that
// applies AUTH0 at once never ends up protected under a password nobody set. Then the password
// is proven by authenticating with the new key (which also lets a Write that was not
// authenticated go on to the lock step) and the configuration page is read back. A failure after
// the password page took says so (passwordStands), unless the tag refused the new key. A model
// without password (NTAG203), or one the table does not know, fails before anything is written.
Outcome SetPassword(TagLink link, ModelCode model, const Key& newKey);

// "Clear key" on a tag identified after it took the original key: the capacity checked against
// the model, the tag authenticated again if identification selected it anew, AUTH0 opened and
// the default password written, proven and the configuration page read back. A failure after
// the password page took says so (passwordStands).
Outcome ClearProtection(TagLink link, const DetectedTag& tag, const Key& originalKey);

}  // namespace tagwright::tag
