// SPDX-License-Identifier: MIT
// The URL of a Write with the ASCII mirror on: the room the tag fills in at every read, and the
// byte of the tag's memory where that room begins, for MIRROR_PAGE and MIRROR_BYTE.
#pragma once

#include <cstddef>

#include "message_format.h"
#include "tag/mirror.h"

namespace tagwright::panels {

// The content with the mirror's room where {mirror} stands in the URL (or at its end), each digit
// `fill`.
MessageContent WithMirrorRoom(MessageContent content, tag::MirrorKind kind, char fill = '0');

// Where the room of `content` (which still holds {mirror}, or not) lands on the tag: the byte
// address from page 0 on, the message's NDEF TLV standing `ndefOffset` bytes into page 4.
std::size_t MirrorAddress(const MessageFormat& format, const MessageContent& content,
                          tag::MirrorKind kind, std::size_t ndefOffset);

// Where the room lies in the NDEF record (from its first byte), and how long it is.
struct RecordRoom {
    std::size_t at = 0, size = 0;
};
RecordRoom RoomInRecord(const MessageFormat& format, const MessageContent& marked,
                        tag::MirrorKind kind);
// Whether a record read from a tag is the one built, the room's bytes (which the tag answers
// with its UID and counter) aside.
bool SameBesidesRoom(const std::vector<std::uint8_t>& stored,
                     const std::vector<std::uint8_t>& built, RecordRoom room);

// The kind as the window's list names it.
std::string MirrorName(tag::MirrorKind kind);

// The URL with its {mirror} kept out of the way of template expansion, and given back after it.
std::string HoldMirrorMarker(std::string url);
std::string ReleaseMirrorMarker(std::string url);

}  // namespace tagwright::panels
