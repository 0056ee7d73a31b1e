// SPDX-License-Identifier: MIT
// Giving a tag back its delivery state: an empty NDEF message where the tag's NDEF TLV stands,
// the rest of the data area zero, and (when the tag is protected) no password.
#pragma once

#include "failure.h"
#include "password.h"

namespace tagwright::tag {

// Erases an identified tag. The data area is checked as a Write checks it, and a tag with any
// lock bit set is refused before anything is written: a half-erased tag would hold neither its
// message nor an empty one. What stands in front of the NDEF TLV (the Lock Control TLV of the
// datasheet's delivery state) is kept, the capability container too; only the pages that differ
// from the delivery state are written. A tag protected by a password needs `authenticated` (the
// original key taken), and its protection is then cleared with that key (ClearProtection); an
// unprotected tag keeps its configuration.
struct Erased {
    bool protectionCleared = false;  // the tag was protected and now answers to the default key
};
Result<Erased> EraseTag(TagLink link, const DetectedTag& tag, bool authenticated,
                        const Key& originalKey);

}  // namespace tagwright::tag
