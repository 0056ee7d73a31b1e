// SPDX-License-Identifier: MIT
#include "message_format.h"

#include <algorithm>

#include "ndef/smart_poster.h"
#include "ndef/text_record.h"
#include "text/text_tables.h"

namespace tagwright::panels {
namespace {

using tag::NdefArea;
using tag::TagLink;
using text::Table;

void ReportRed(RunLog& log, int entry) {
    log.Red(text::Tr(Table::Message, entry));
}

void ReportWritten(RunLog& log, const std::string& shown) {
    std::string line(text::Tr(Table::Message, text::msg::kWriteDataSucceed));
    log.Blue(line + shown);
}

void ReportRead(RunLog& log) {
    log.Blue(text::Tr(Table::Message, text::msg::kReadDataSucceed));
}

bool Failed(RunLog& log, const tag::Failure& failure) {
    log.Fail(failure);
    return false;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The record inside a stored message that starts at the NDEF TLV.
std::vector<std::uint8_t> RecordIn(const std::vector<std::uint8_t>& buffer, std::uint8_t ndefOffset,
                                   ndef::TlvLength length) {
    const std::size_t from = std::size_t{ndefOffset} + length.fieldSize + 1;
    const std::size_t to = std::min(buffer.size(), from + length.length);
    if (from >= to) return {};
    return {buffer.begin() + std::ptrdiff_t(from), buffer.begin() + std::ptrdiff_t(to)};
}

// One Text record, the message sized to the tag's capacity.
class TextFormat : public MessageFormat {
  public:
    bool ReadAndShow(TagLink link, const NdefArea& area, Panel& panel, RunLog& log) const override {
        const auto length = tag::ReadNdefLength(link, area);
        if (!length) return Failed(log, length.failure());
        const auto buffer =
            tag::ReadMessage(link, ndef::StoredMessageTotal(area.ndefOffset, *length));
        if (!buffer) return Failed(log, buffer.failure());
        const auto decoded = ndef::DecodeStoredTextMessage(*buffer, area.ndefOffset, *length);
        if (!decoded) {
            ReportRed(log, text::msg::kUnrecognizableNdef);
            return false;
        }
        panel.ShowText(decoded->utf8);
        lastReadText_ = decoded->utf8;
        lastRead_ = RecordIn(*buffer, area.ndefOffset, *length);
        ReportRead(log);
        return true;
    }

    std::vector<std::uint8_t> BuildRecord(const MessageContent& content) const override {
        return ndef::BuildTextRecord(content.text);
    }

    std::size_t SpaceNeeded(std::uint8_t ndefOffset, std::size_t recordSize) const override {
        return ndef::MessageSize(ndefOffset, recordSize);
    }

    bool BuildAndWrite(TagLink link, const NdefArea& area, const MessageContent& content,
                       RunLog& log) const override {
        const auto record = BuildRecord(content);
        if (!Fits(area.ndefOffset, record.size(), area.capacity)) {
            const std::size_t size = SpaceNeeded(area.ndefOffset, record.size());
            log.Red(text::TrNumber(Table::Message, text::msg::kDataLengthExceeds,
                                   static_cast<long long>(size - area.capacity)));
            return false;
        }
        const auto image =
            ndef::BuildMessageImage(area.firstBlock, area.ndefOffset, ndef::WrapInNdefTlv(record));
        if (auto failure = tag::WriteMessage(link, image.bytes, image.messageSize)) {
            return Failed(log, *failure);
        }
        ReportWritten(log, content.text);
        return true;
    }
};

// The URL and SmartPoster panels: a fixed 1024-byte buffer and the terminator required.
class FixedBufferFormat : public MessageFormat {
  public:
    static constexpr std::size_t kBufferSize = 1024;

    std::optional<std::uint16_t> capacityLimit() const override { return kBufferSize; }

    bool ReadAndShow(TagLink link, const NdefArea& area, Panel& panel, RunLog& log) const override {
        const auto length = tag::ReadNdefLength(link, area);
        if (!length) return Failed(log, length.failure());
        const std::size_t total = ndef::StoredMessageTotal(area.ndefOffset, *length);
        if (total + 16 > kBufferSize) {
            ReportRed(log, text::msg::kDataLengthOutOfRange);
            return false;
        }
        const auto buffer = tag::ReadMessage(link, total);
        if (!buffer) return Failed(log, buffer.failure());
        const std::size_t terminatorAt = total - 1;
        const std::size_t recordAt = std::size_t{area.ndefOffset} + length->fieldSize + 1;
        if ((*buffer)[terminatorAt] != ndef::kTerminatorTlv ||
            !Parse(*buffer, recordAt, terminatorAt, panel)) {
            ReportRed(log, text::msg::kUnrecognizableNdef);
            return false;
        }
        lastRead_ = RecordIn(*buffer, area.ndefOffset, *length);
        ReportRead(log);
        return true;
    }

    std::vector<std::uint8_t> BuildRecord(const MessageContent& content) const override {
        // With no row selected (after reading a code above 5) the record carries no prefix.
        const auto code =
            static_cast<std::uint8_t>(content.prefix == kNoPrefix ? 0 : content.prefix);
        return Build(code, Bytes(content.text), content.title);
    }

    std::string DescribeContent(const MessageContent& content) const override {
        const int prefix = content.prefix;
        const std::string_view shown = prefix > 0 && std::size_t(prefix) < ndef::kUriPrefixes.size()
                                           ? ndef::kUriPrefixes[std::size_t(prefix)]
                                           : std::string_view();
        return std::string(shown) + content.text;
    }

    // Five bytes beyond the record whatever its length: the three-byte length form is counted
    // even for a short record.
    std::size_t SpaceNeeded(std::uint8_t ndefOffset, std::size_t recordSize) const override {
        return std::size_t{ndefOffset} + recordSize + 5;
    }

    bool BuildAndWrite(TagLink link, const NdefArea& area, const MessageContent& content,
                       RunLog& log) const override {
        const auto record = BuildRecord(content);
        if (!Fits(area.ndefOffset, record.size(), area.capacity)) {
            ReportRed(log, text::msg::kDataLengthOutOfRange);
            return false;
        }
        const auto image = ndef::BuildMessageImage(area.firstBlock, area.ndefOffset,
                                                   ndef::WrapInNdefTlv(record), kBufferSize);
        if (auto failure = tag::WriteMessage(link, image.bytes, image.messageSize)) {
            return Failed(log, *failure);
        }
        ReportWritten(log, content.text);
        return true;
    }

  protected:
    virtual std::vector<std::uint8_t> Build(std::uint8_t code, std::span<const std::uint8_t> url,
                                            const std::string& title) const = 0;
    virtual bool Parse(std::span<const std::uint8_t> buffer, std::size_t recordAt,
                       std::size_t terminatorAt, Panel& panel) const = 0;

    void ShowUri(const ndef::ParsedUri& uri, Panel& panel) const {
        const bool known = uri.code < ndef::kUriPrefixes.size();
        panel.ShowPrefix(known ? int{uri.code} : kNoPrefix);
        panel.ShowUrl(Text(uri.field));
        lastReadText_ = std::string(known ? ndef::kUriPrefixes[uri.code] : "") + Text(uri.field);
    }
};

class UrlFormat : public FixedBufferFormat {
  protected:
    std::vector<std::uint8_t> Build(std::uint8_t code, std::span<const std::uint8_t> url,
                                    const std::string&) const override {
        return ndef::BuildUriRecord(code, url, ndef::RecordPlace::Alone);
    }
    bool Parse(std::span<const std::uint8_t> buffer, std::size_t recordAt, std::size_t terminatorAt,
               Panel& panel) const override {
        const auto uri = ndef::ParseUriRecord(buffer, recordAt, terminatorAt);
        if (!uri) return false;
        ShowUri(*uri, panel);
        return true;
    }
};

class SmartPosterFormat : public FixedBufferFormat {
  protected:
    std::vector<std::uint8_t> Build(std::uint8_t code, std::span<const std::uint8_t> url,
                                    const std::string& title) const override {
        return ndef::BuildSmartPoster(code, url, title);
    }
    bool Parse(std::span<const std::uint8_t> buffer, std::size_t recordAt, std::size_t terminatorAt,
               Panel& panel) const override {
        const auto poster = ndef::ParseSmartPoster(
            buffer, recordAt, terminatorAt,
            [this, &panel](const ndef::ParsedUri& uri) { ShowUri(uri, panel); });
        if (!poster) return false;
        panel.ShowTitle(poster->titleUtf8);
        return true;
    }
};

}  // namespace

MessageContent ContentOf(const Panel& panel) {
    return {panel.contentText(), panel.prefixCode(), panel.titleText()};
}

std::string MessageFormat::DescribeContent(const MessageContent& content) const {
    return content.text;
}

std::optional<std::vector<std::uint8_t>> ReadStoredRecord(TagLink link, const NdefArea& area,
                                                          RunLog& log) {
    const auto length = tag::ReadNdefLength(link, area);
    if (!length) {
        log.Fail(length.failure());
        return std::nullopt;
    }
    const std::size_t total = ndef::StoredMessageTotal(area.ndefOffset, *length);
    // A length that runs past the data area (a message cut short by a torn write) holds no
    // complete record, and reading it would fail past the tag's last page.
    if (area.capacity != 0 && total > area.capacity) return std::nullopt;
    const auto buffer = tag::ReadMessage(link, total);
    if (!buffer) {
        log.Fail(buffer.failure());
        return std::nullopt;
    }
    return RecordIn(*buffer, area.ndefOffset, *length);
}

std::unique_ptr<MessageFormat> MakeMessageFormat(PanelKind kind) {
    switch (kind) {
        case PanelKind::Text:
            return std::make_unique<TextFormat>();
        case PanelKind::Url:
            return std::make_unique<UrlFormat>();
        case PanelKind::SmartPoster:
            return std::make_unique<SmartPosterFormat>();
    }
    return nullptr;
}

}  // namespace tagwright::panels
