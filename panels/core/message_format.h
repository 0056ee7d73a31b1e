// SPDX-License-Identifier: MIT
// How each panel frames its message on the tag and shows what it reads: the Text panel's Text
// record, the URL panel's URI record, the SmartPoster panel's Smart Poster record. The framing,
// buffer limits, messages and success lines that set them apart live here; the flow around them
// is the operation controller's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "panel.h"
#include "run_log.h"
#include "tag/ndef_area.h"

namespace tagwright::panels {

// What a Write puts on the tag: the text box or URL field, the prefix list's position and the
// title, as the panel holds them or as a template made them for this tag.
struct MessageContent {
    std::string text;
    int prefix = 0;  // kNoPrefix when the list has no row selected
    std::string title;
};

MessageContent ContentOf(const Panel& panel);

class MessageFormat {
  public:
    virtual ~MessageFormat() = default;
    // The record this content is written as.
    virtual std::vector<std::uint8_t> BuildRecord(const MessageContent& content) const = 0;
    // The bytes of the data area the Write's size check counts for a record of this size with
    // the NDEF TLV at `ndefOffset`; the record fits when they are within the capacity.
    virtual std::size_t SpaceNeeded(std::uint8_t ndefOffset, std::size_t recordSize) const = 0;
    bool Fits(std::uint8_t ndefOffset, std::size_t recordSize, std::uint16_t capacity) const {
        return SpaceNeeded(ndefOffset, recordSize) <= capacity;
    }
    // The Write's buffer size when the format has a fixed one.
    virtual std::optional<std::uint16_t> capacityLimit() const { return std::nullopt; }
    // After the data area was opened: parse the stored message, show it, report success, or
    // report the failure.
    virtual bool ReadAndShow(tag::TagLink link, const tag::NdefArea& area, Panel& panel,
                             RunLog& log) const = 0;
    // Build the message from the content, check its size, write it, report success, or report
    // the failure.
    virtual bool BuildAndWrite(tag::TagLink link, const tag::NdefArea& area,
                               const MessageContent& content, RunLog& log) const = 0;
    // The text or URL (prefix included) the content stands for.
    virtual std::string DescribeContent(const MessageContent& content) const;

    // The record the last successful ReadAndShow found, for the journal.
    const std::vector<std::uint8_t>& lastRead() const { return lastRead_; }
    const std::string& lastReadText() const { return lastReadText_; }

  protected:
    mutable std::vector<std::uint8_t> lastRead_;
    mutable std::string lastReadText_;
};

// The NDEF record stored in the data area; nothing when its length runs past the data area, or
// (with the red line of the read that failed) when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadStoredRecord(tag::TagLink link,
                                                          const tag::NdefArea& area, RunLog& log);

std::unique_ptr<MessageFormat> MakeMessageFormat(PanelKind kind);

}  // namespace tagwright::panels
