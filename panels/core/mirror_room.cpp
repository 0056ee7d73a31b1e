// SPDX-License-Identifier: MIT
#include "mirror_room.h"

#include "ndef/ndef_tlv.h"
#include "tag/page_transfer.h"
#include "text/text_tables.h"

namespace tagwright::panels {

namespace {

constexpr char kHeldMarker = '\x01';  // no template value and no URL a panel takes has it

std::string Swap(std::string text, std::string_view from, std::string_view to) {
    if (const auto at = text.find(from); at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace

std::string HoldMirrorMarker(std::string url) {
    return Swap(std::move(url), tag::kMirrorMarker, std::string_view(&kHeldMarker, 1));
}

std::string ReleaseMirrorMarker(std::string url) {
    return Swap(std::move(url), std::string_view(&kHeldMarker, 1), tag::kMirrorMarker);
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

std::size_t MirrorAddress(const MessageFormat& format, const MessageContent& content,
                          tag::MirrorKind kind, std::size_t ndefOffset) {
    // The same message with other digits in the room: the first byte that differs is the room's,
    // whatever record framing and TLV length form stand before it.
    const auto zeros = ndef::WrapInNdefTlv(format.BuildRecord(WithMirrorRoom(content, kind, '0')));
    const auto ones = ndef::WrapInNdefTlv(format.BuildRecord(WithMirrorRoom(content, kind, '1')));
    std::size_t at = 0;
    while (at < zeros.size() && at < ones.size() && zeros[at] == ones[at])
        ++at;
    return tag::kFirstDataPage * 4u + ndefOffset + at;
}

}  // namespace tagwright::panels
