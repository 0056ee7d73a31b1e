// SPDX-License-Identifier: MIT
// NDEF framing and the three record kinds, byte for byte, without a reader.
#include <gtest/gtest.h>

#include "ndef/ndef_tlv.h"
#include "ndef/smart_poster.h"
#include "ndef/text_record.h"
#include "ndef/uri_record.h"

namespace tagwright::ndef {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromText(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::array<std::uint8_t, 16> Block(Bytes start) {
    std::array<std::uint8_t, 16> block{};
    std::copy(start.begin(), start.end(), block.begin());
    return block;
}

TEST(NdefTlvSearch, StepsOverKnownTlvsAndStopsAtOthers) {
    EXPECT_EQ(FindNdefTlv(Block({0x03, 0x00, 0xFE})), 0);
    EXPECT_EQ(FindNdefTlv(Block({0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03, 0x00, 0xFE})), 5);
    EXPECT_EQ(FindNdefTlv(Block({0x00, 0x00, 0x02, 0x03, 1, 2, 3, 0x03})), 7);
    EXPECT_EQ(FindNdefTlv(Block({0xFD, 0x02, 0xAA, 0xBB, 0x03})), 4);
    EXPECT_EQ(FindNdefTlv(Block({0xFE, 0x03})), std::nullopt);
    EXPECT_EQ(FindNdefTlv(Block({0x42, 0x03})), std::nullopt);
    EXPECT_EQ(FindNdefTlv(Block({})), std::nullopt);  // sixteen NULL TLVs
    auto late = Block({});
    late[15] = 0x03;
    EXPECT_EQ(FindNdefTlv(late), 15);
    EXPECT_EQ(FindNdefTlv(Block({0xFD, 0xFF, 0x03})), std::nullopt);  // steps past byte 15
}

TEST(NdefTlvLength, OneAndThreeByteForms) {
    const std::uint8_t shortForm[] = {0x0A, 0xFF, 0xFF};
    EXPECT_EQ(DecodeTlvLength(shortForm).length, 0x0A);
    EXPECT_EQ(DecodeTlvLength(shortForm).fieldSize, 1);
    const std::uint8_t longForm[] = {0xFF, 0x01, 0x02};
    EXPECT_EQ(DecodeTlvLength(longForm).length, 0x0102);
    EXPECT_EQ(DecodeTlvLength(longForm).fieldSize, 3);

    EXPECT_EQ(WrapInNdefTlv(Bytes{}), (Bytes{0x03, 0x00}));
    const Bytes oneByteForm = WrapInNdefTlv(Bytes(254, 1));
    EXPECT_EQ(Bytes(oneByteForm.begin(), oneByteForm.begin() + 2), (Bytes{0x03, 0xFE}));
    const Bytes wrapped = WrapInNdefTlv(Bytes(255, 1));
    EXPECT_EQ(Bytes(wrapped.begin(), wrapped.begin() + 4), (Bytes{0x03, 0xFF, 0x00, 0xFF}));
    EXPECT_EQ(wrapped.size(), 259u);
    EXPECT_EQ(MessageSize(0, 254), 257u);
    EXPECT_EQ(MessageSize(5, 255), 265u);
    EXPECT_EQ(MessageSize(0, 0), 3u);
}

TEST(TextRecord, WorkedExampleAbc) {
    const Bytes record = BuildTextRecord("abc");
    EXPECT_EQ(record, (Bytes{0xD1, 0x01, 0x06, 0x54, 0x02, 0x7A, 0x68, 0x61, 0x62, 0x63}));
    const auto image = BuildMessageImage(Block({0x03, 0x00, 0xFE}), 0, WrapInNdefTlv(record));
    EXPECT_EQ(image.messageSize, 13u);
    EXPECT_EQ(image.bytes, (Bytes{0x03, 0x0A, 0xD1, 0x01, 0x06, 0x54, 0x02, 0x7A, 0x68, 0x61, 0x62,
                                  0x63, 0xFE, 0x00, 0x00, 0x00, 0x00}));

    // Read back: TLV length 0x0A, total 13, header at index 2.
    Bytes buffer = image.bytes;
    buffer.resize(13 + 16, 0);
    const auto text = DecodeStoredTextMessage(buffer, 0, {0x0A, 1});
    ASSERT_TRUE(text);
    EXPECT_EQ(text->utf8, "abc");
}

TEST(TextRecord, LockControlTlvStaysInFrontAndCounts) {
    const auto first = Block({0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03, 0x00, 0xFE});
    const auto image = BuildMessageImage(first, 5, WrapInNdefTlv(BuildTextRecord("abc")));
    EXPECT_EQ(image.messageSize, 18u);
    EXPECT_EQ(Bytes(image.bytes.begin(), image.bytes.begin() + 8),
              (Bytes{0x01, 0x03, 0xA0, 0x0C, 0x34, 0x03, 0x0A, 0xD1}));
    EXPECT_EQ(image.bytes[17], 0xFE);
}

TEST(TextRecord, ShortAndLongFormsAtTheirBoundaries) {
    EXPECT_EQ(BuildTextRecord(std::string(247, 'x')).size(), 254u);
    const Bytes r248 = BuildTextRecord(std::string(248, 'x'));
    EXPECT_EQ(r248.size(), 255u);
    EXPECT_EQ(r248[0], 0xD1);
    const Bytes r252 = BuildTextRecord(std::string(252, 'x'));
    EXPECT_EQ(Bytes(r252.begin(), r252.begin() + 3), (Bytes{0xD1, 0x01, 0xFF}));
    const Bytes r253 = BuildTextRecord(std::string(253, 'x'));
    EXPECT_EQ(Bytes(r253.begin(), r253.begin() + 7),
              (Bytes{0xC1, 0x01, 0x00, 0x00, 0x01, 0x00, 0x54}));
    EXPECT_EQ(r253.size(), 263u);
    EXPECT_TRUE(BuildTextRecord("").empty());
    // One Chinese character is three UTF-8 bytes.
    EXPECT_EQ(BuildTextRecord("中"),
              (Bytes{0xD1, 0x01, 0x06, 0x54, 0x02, 0x7A, 0x68, 0xE4, 0xB8, 0xAD}));
}

TEST(TextRecord, PayloadDecoding) {
    EXPECT_EQ(DecodeTextPayload(Bytes{0x02, 'e', 'n', 'h', 'i'})->utf8, "hi");
    EXPECT_EQ(DecodeTextPayload(Bytes{0x45, 'e', 'n', '-', 'U', 'S', 'x'})->utf8, "x");
    EXPECT_EQ(DecodeTextPayload(Bytes{0x02, 'z', 'h'})->utf8, "");
    EXPECT_FALSE(DecodeTextPayload(Bytes{0x82, 'z', 'h', 0, 'a'}));  // UTF-16
    EXPECT_FALSE(DecodeTextPayload(Bytes{0x05, 'e', 'n'}));          // code longer than payload
    EXPECT_FALSE(DecodeTextPayload(Bytes{}));
}

TEST(TextRecord, StoredMessageRefusals) {
    // Everything after the TLV header: record, terminator, and padding as read.
    const auto decode = [](Bytes afterTlv, std::uint16_t tlvLength) {
        Bytes buffer{0x03, static_cast<std::uint8_t>(tlvLength)};
        buffer.insert(buffer.end(), afterTlv.begin(), afterTlv.end());
        buffer.resize(StoredMessageTotal(0, {tlvLength, 1}) + 16, 0);
        return DecodeStoredTextMessage(buffer, 0, {tlvLength, 1});
    };
    EXPECT_TRUE(decode({0xD1, 0x01, 0x03, 0x54, 0x02, 'z', 'h', 0xFE}, 7));
    EXPECT_FALSE(decode({0xFE}, 0));                                          // empty TLV
    EXPECT_FALSE(decode({0x91, 0x01, 0x03, 0x54, 0x02, 'z', 'h', 0xFE}, 7));  // not alone
    EXPECT_FALSE(decode({0xD9, 0x01, 0x00, 0x03, 0x54, 0x02, 'z', 'h'}, 8));  // ID field
    EXPECT_FALSE(decode({0xD1, 0x02, 0x03, 0x54, 0x02, 'z', 'h', 0xFE}, 7));  // type length
    EXPECT_FALSE(decode({0xD1, 0x01, 0x03, 0x55, 0x02, 'z', 'h', 0xFE}, 7));  // URI, not Text
    EXPECT_FALSE(decode({0xD1, 0x01, 0x00, 0x54, 0xFE}, 4));                  // no status byte
    // Payload lengths that run past the data read, up to the 32-bit maximum.
    EXPECT_FALSE(decode({0xD1, 0x01, 0x20, 0x54, 0x02, 'z', 'h', 0xFE}, 7));
    EXPECT_FALSE(decode({0xC1, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x54, 0x02, 'z', 'h', 0xFE}, 10));
    EXPECT_FALSE(decode({0xC1, 0x01, 0xFF, 0xFF, 0xFF, 0xFE, 0x54, 0x02, 'z', 'h', 0xFE}, 10));
    // The bounds rule allows a payload to reach two bytes past the message.
    EXPECT_TRUE(decode({0xD1, 0x01, 0x05, 0x54, 0x02, 'z', 'h', 0xFE}, 7));
}

TEST(UriRecord, WorkedExampleTel) {
    const Bytes record = BuildUriRecord(0x05, FromText("0123456789"), RecordPlace::Alone);
    EXPECT_EQ(record, (Bytes{0xD1, 0x01, 0x0B, 0x55, 0x05, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36,
                             0x37, 0x38, 0x39}));
    const auto image = BuildMessageImage(Block({0x03, 0x00, 0xFE}), 0, WrapInNdefTlv(record));
    EXPECT_EQ(Bytes(image.bytes.begin(), image.bytes.begin() + 20),
              (Bytes{0x03, 0x0F, 0xD1, 0x01, 0x0B, 0x55, 0x05, 0x30, 0x31, 0x32,
                     0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xFE, 0x00, 0x00}));
    const auto parsed = ParseUriRecord(image.bytes, 2, 17);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->code, 0x05);
    EXPECT_EQ(parsed->field, FromText("0123456789"));
    EXPECT_EQ(parsed->next, 17u);
}

TEST(UriRecord, FormsCodesAndRefusals) {
    const Bytes r254 = BuildUriRecord(0, Bytes(254, 'a'), RecordPlace::Alone);
    EXPECT_EQ(Bytes(r254.begin(), r254.begin() + 3), (Bytes{0xD1, 0x01, 0xFF}));
    const Bytes r255 = BuildUriRecord(0, Bytes(255, 'a'), RecordPlace::Alone);
    EXPECT_EQ(Bytes(r255.begin(), r255.begin() + 6), (Bytes{0xC1, 0x01, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(BuildUriRecord(3, {}, RecordPlace::Alone), (Bytes{0xD1, 0x01, 0x01, 0x55, 0x03}));
    EXPECT_EQ(BuildUriRecord(1, {}, RecordPlace::FirstOfNested)[0], 0x91);
    EXPECT_EQ(BuildUriRecord(1, Bytes(300, 'a'), RecordPlace::FirstOfNested)[0], 0x81);

    const Bytes withCode6{0xD1, 0x01, 0x02, 0x55, 0x06, 'x', 0xFE};
    EXPECT_EQ(ParseUriRecord(withCode6, 0, 6)->code, 0x06);
    EXPECT_EQ(ParseUriRecord(Bytes{0xD1, 0x01, 0x01, 0x55, 0x00, 0xFE}, 0, 5)->field, Bytes{});
    EXPECT_FALSE(ParseUriRecord(withCode6, 0, 4));  // payload past the terminator
    EXPECT_FALSE(ParseUriRecord(Bytes{0xD1, 0x01, 0x00, 0x55, 0xFE}, 0, 4));  // no code
    EXPECT_FALSE(ParseUriRecord(Bytes{0xD1, 0x01, 0x02, 0x54, 0x06, 'x', 0xFE}, 0, 6));
    EXPECT_FALSE(ParseUriRecord(Bytes{0xD9, 0x01, 0x02, 0x00, 0x55, 0x06, 'x', 0xFE}, 0, 7));
    EXPECT_FALSE(ParseUriRecord(Bytes{0xC1, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x55, 0x00, 0xFE}, 0, 8));
}

TEST(SmartPosterRecord, WorkedExampleTelHi) {
    const Bytes record = BuildSmartPoster(0x05, FromText("0123456789"), "Hi");
    const Bytes expected{0xD1, 0x02, 0x1F, 0x53, 0x70, 0x91, 0x01, 0x0B, 0x55, 0x05, 0x30, 0x31,
                         0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x11, 0x03, 0x01, 0x61,
                         0x63, 0x74, 0x00, 0x51, 0x01, 0x05, 0x54, 0x02, 0x7A, 0x68, 0x48, 0x69};
    EXPECT_EQ(record, expected);
    const auto image = BuildMessageImage(Block({0x03, 0x00, 0xFE}), 0, WrapInNdefTlv(record));
    EXPECT_EQ(image.messageSize, 39u);
    EXPECT_EQ(Bytes(image.bytes.begin(), image.bytes.begin() + 2), (Bytes{0x03, 0x24}));
    EXPECT_EQ(image.bytes[38], 0xFE);
    EXPECT_EQ(image.bytes[39], 0x00);

    int uriSeen = 0;
    const auto parsed = ParseSmartPoster(image.bytes, 2, 38, [&](const ParsedUri& uri) {
        ++uriSeen;
        EXPECT_EQ(uri.code, 5);
    });
    ASSERT_TRUE(parsed);
    EXPECT_EQ(uriSeen, 1);
    EXPECT_EQ(parsed->titleUtf8, "Hi");
    EXPECT_EQ(parsed->uri.field, FromText("0123456789"));
}

TEST(SmartPosterRecord, TitleAndNestedMessageForms) {
    const Bytes empty = BuildSmartPoster(0, {}, "");
    EXPECT_EQ(Bytes(empty.end() - 7, empty.end()),
              (Bytes{0x51, 0x01, 0x03, 0x54, 0x02, 0x7A, 0x68}));
    // Nested messages over 255 bytes make the outer record long (C1 02, four length bytes), so
    // the title record starts at 8 + 5 + 7.
    const std::size_t titleAt = 8 + 5 + 7;
    const Bytes t252 = BuildSmartPoster(0, {}, std::string(252, 't'));
    EXPECT_EQ(Bytes(t252.begin(), t252.begin() + 6), (Bytes{0xC1, 0x02, 0x00, 0x00, 0x01, 0x0F}));
    EXPECT_EQ(Bytes(t252.begin() + titleAt, t252.begin() + titleAt + 3), (Bytes{0x51, 0x01, 0xFF}));
    const Bytes t253 = BuildSmartPoster(0, {}, std::string(253, 't'));
    EXPECT_EQ(Bytes(t253.begin() + titleAt, t253.begin() + titleAt + 6),
              (Bytes{0x41, 0x01, 0x00, 0x00, 0x01, 0x00}));
    // A nested message of exactly 256 bytes: 5 + 7 + title record of 244.
    const Bytes n256 = BuildSmartPoster(0, {}, std::string(237, 't'));
    EXPECT_EQ(Bytes(n256.begin(), n256.begin() + 6), (Bytes{0xC1, 0x02, 0x00, 0x00, 0x01, 0x00}));
    const Bytes n255 = BuildSmartPoster(0, {}, std::string(236, 't'));
    EXPECT_EQ(Bytes(n255.begin(), n255.begin() + 3), (Bytes{0xD1, 0x02, 0xFF}));
}

TEST(SmartPosterRecord, Refusals) {
    const auto parse = [](Bytes record) {
        record.push_back(0xFE);
        return ParseSmartPoster(record, 0, record.size() - 1);
    };
    Bytes good = BuildSmartPoster(4, FromText("example.com"), "Example");
    ASSERT_TRUE(parse(good));
    Bytes wrongType = good;
    wrongType[4] = 'q';
    EXPECT_FALSE(parse(wrongType));
    Bytes noAction = good;
    noAction[5 + 3 + 1 + 12 + 3] = 'x';  // "act" becomes "xct"
    EXPECT_FALSE(parse(noAction));
    Bytes utf16 = good;
    utf16[utf16.size() - 10] = 0x82;  // the title's status byte
    EXPECT_FALSE(parse(utf16));
    // Title first: not recognised, and the URI never reaches the panel.
    Bytes titleFirst{0xD1, 0x02, 0x0C, 0x53, 0x70, 0x91, 0x01, 0x03, 0x54, 0x02, 0x7A, 0x68};
    EXPECT_FALSE(parse(titleFirst));
    // Truncated: the title's payload runs past the terminator.
    Bytes truncated(good.begin(), good.end() - 3);
    EXPECT_FALSE(parse(truncated));
}

}  // namespace
}  // namespace tagwright::ndef
