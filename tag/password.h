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

// The password acknowledge a tag answers PWD_AUTH with.
using Pack = std::array<std::uint8_t, 2>;
inline constexpr Pack kFactoryPack{0x00, 0x00};

// The PACK Encryption writes when none is chosen: the key folded onto itself (byte 0 XOR byte 2,
// byte 1 XOR byte 3), so that the default key's is the factory's 00 00.
Pack DerivedPack(const Key& key);

// Whether `answered` is a PACK the tag may give for `key`: the key's derived one, the one chosen
// (`link.pack`), or the factory's, which tags protected before PACKs were written still have.
bool PackExpected(TagLink link, const Key& key, const Pack& answered);

// PWD_AUTH with the key: its status, 0 when the tag accepted the key; the PACK it answered goes
// to `answered` when given.
std::int32_t PwdAuth(TagLink link, const Key& key, Pack* answered = nullptr);

enum class AuthOutcome {
    Accepted,
    Refused,    // the tag refused the key and is idle
    WrongPack,  // the tag took the key but answered another PACK: a look-alike that takes any key
};
// PWD_AUTH with the key, the PACK checked.
AuthOutcome Authenticate(TagLink link, const Key& key);
// The same for a step that needs the key taken: KeyRefused or WrongPack when it is not.
Outcome AuthenticateOrFail(TagLink link, const Key& key);

// What the password protects: writes only (PROT 0), or reads as well (PROT 1), so that without
// the key a phone reads nothing past the UID.
enum class Protection { Writes, ReadsAndWrites };

// After a successful write, with "Encryption" checked: stores the PACK (chosen, or derived from
// the key) and the new key as the password, sets or clears PROT as `protection` says, and
// protects the tag from page 0 on; the PACK the tag then answers must be the one written. The
// password is written before AUTH0, so that a tag that applies AUTH0 at once never ends up
// protected under a password nobody set. Then the password is proven by authenticating with the new
// key (which also lets a Write that was not authenticated go on to the lock step) and the
// configuration page is read back. A failure after the password page took says so (passwordStands),
// unless the tag refused the new key. A model without password (NTAG203), or one the table does not
// know, fails before anything is written.
Outcome SetPassword(TagLink link, ModelCode model, const Key& newKey,
                    Protection protection = Protection::Writes);

// "Clear key" on a tag identified after it took the original key: the capacity checked against
// the model, the tag authenticated again if identification selected it anew, AUTH0 opened, PROT
// cleared, the factory PACK and the default password written, proven and the configuration
// pages read back. A failure after the password page took says so (passwordStands).
Outcome ClearProtection(TagLink link, const DetectedTag& tag, const Key& originalKey);

}  // namespace tagwright::tag
