// SPDX-License-Identifier: MIT
// The ASCII mirror of NTAG21x: the tag answers READ and FAST_READ with its UID (14 hex digits),
// its NFC counter (6 hex digits) or both (UID, 'x', counter) in place of the bytes where
// MIRROR_PAGE and MIRROR_BYTE point, so that a URL it holds carries them to a phone.
// On NTAG213, NTAG215 and NTAG216, MIRROR_CONF in the first byte of the first configuration page
// says which. NTAG210 and NTAG212 mirror the UID only, and do so while MIRROR_PAGE points into
// their user pages (0, at delivery, mirrors nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "detection.h"
#include "failure.h"

namespace tagwright::tag {

enum class MirrorKind { None, UidOnly, Counter, Both };

// Where the mirror goes in a URL; without it, at the URL's end.
inline constexpr std::string_view kMirrorMarker = "{mirror}";

// The bytes the mirror takes: 0, 14, 6 or 21.
std::size_t MirrorRoom(MirrorKind kind);

// The URL with the mirror's room in place of its first {mirror}, or at its end: `fill` for every
// digit, and the 'x' between UID and counter. What the tag holds there until it is read.
std::string PlaceMirrorRoom(std::string_view url, MirrorKind kind, char fill = '0');

// Whether the model mirrors at all (every NTAG21x), and whether it mirrors `kind`: the counter
// only on NTAG213, NTAG215 and NTAG216, which have one.
bool HasMirror(ModelCode model);
bool CanMirror(ModelCode model, MirrorKind kind);

// Sets MIRROR_CONF (where the model has it), MIRROR_BYTE and MIRROR_PAGE for a mirror that starts
// at byte `address` of the tag's memory (page * 4 + byte), the other bits kept; the page is read
// back. NoMirror for a model that cannot mirror `kind`, or a room outside the user pages.
Outcome SetMirror(TagLink link, ModelCode model, MirrorKind kind, std::size_t address);

// Switches a mirror an earlier Write set off again (MIRROR_CONF, MIRROR_BYTE and MIRROR_PAGE 0),
// so that it no longer overlays what is written now; nothing is written when none is on, or for
// a model without one.
Outcome ClearMirror(TagLink link, ModelCode model);

}  // namespace tagwright::tag
