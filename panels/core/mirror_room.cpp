// SPDX-License-Identifier: MIT
#include "mirror_room.h"

#include "ndef/ndef_tlv.h"
#include "tag/page_transfer.h"
#include "text/text_tables.h"

namespace tagwright::panels {

namespace {

constexpr char kHeldMarker = '\x01';  // no template value and no URL a panel takes has it

// Built anew rather than replaced in place, which GCC 12 at -O3 takes for overlapping copies.
std::string Swap(const std::string& text, std::string_view from, std::string_view to) {
    const auto at = text.find(from);
    if (at == std::string::npos) return text;
    std::string swapped = text.substr(0, at);
    swapped += to;
    swapped += text.substr(at + from.size());
    return swapped;
}

}  // namespace

std::string HoldMirrorMarker(std::string url) {
    return Swap(url, tag::kMirrorMarker, std::string_view(&kHeldMarker, 1));
}

std::string ReleaseMirrorMarker(std::string url) {
    return Swap(url, std::string_view(&kHeldMarker, 1), tag::kMirrorMarker);
}

std::string MirrorName(tag::MirrorKind kind) {
    namespace l = text::label;
    const int entry[] = {l::kMirrorNone, l::kMirrorUid, l::kMirrorCounter, l::kMirrorBoth};
    return std::string(text::Tr(text::Table::Label, entry[static_cast<int>(kind)]));
}

MessageContent WithMirrorRoom(MessageContent content, tag::MirrorKind kind, char fill) {
    content.text = tag::PlaceMirrorRoom(content.text, kind, fill);
    return content;
}

namespace {

// The same bytes built with other digits in the room: the first byte that differs is the room's,
// whatever record framing and TLV length form stand before it.
std::size_t FirstDifference(const std::vector<std::uint8_t>& zeros,
                            const std::vector<std::uint8_t>& ones) {
    std::size_t at = 0;
    while (at < zeros.size() && at < ones.size() && zeros[at] == ones[at])
        ++at;
    return at;
}

}  // namespace

std::size_t MirrorAddress(const MessageFormat& format, const MessageContent& content,
                          tag::MirrorKind kind, std::size_t ndefOffset) {
    const auto zeros = ndef::WrapInNdefTlv(format.BuildRecord(WithMirrorRoom(content, kind, '0')));
    const auto ones = ndef::WrapInNdefTlv(format.BuildRecord(WithMirrorRoom(content, kind, '1')));
    return tag::kFirstDataPage * 4u + ndefOffset + FirstDifference(zeros, ones);
}

RecordRoom RoomInRecord(const MessageFormat& format, const MessageContent& marked,
                        tag::MirrorKind kind) {
    return {FirstDifference(format.BuildRecord(WithMirrorRoom(marked, kind, '0')),
                            format.BuildRecord(WithMirrorRoom(marked, kind, '1'))),
            tag::MirrorRoom(kind)};
}

bool SameBesidesRoom(const std::vector<std::uint8_t>& stored,
                     const std::vector<std::uint8_t>& built, RecordRoom room) {
    if (stored.size() != built.size()) return false;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const bool inRoom = i >= room.at && i < room.at + room.size;
        if (!inRoom && stored[i] != built[i]) return false;
    }
    return true;
}

}  // namespace tagwright::panels
