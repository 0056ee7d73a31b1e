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
#include "tag/ndef_area.h"

namespace tagwright::panels {

class MessageFormat {
  public:
    virtual ~MessageFormat() = default;
    // The Write's buffer size when the format has a fixed one.
    virtual std::optional<std::uint16_t> capacityLimit() const { return std::nullopt; }
    // After the data area was opened: parse the stored message, show it, report success.
    virtual bool ReadAndShow(tag::TagLink link, const tag::NdefArea& area, Panel& panel) const = 0;
    // Build the message from the panel's content, check its size, write it, report success.
    virtual bool BuildAndWrite(tag::TagLink link, const tag::NdefArea& area,
                               const Panel& panel) const = 0;
    // The NDEF record the panel's content makes, as BuildAndWrite would write it.
    virtual std::vector<std::uint8_t> BuildRecord(const Panel& panel) const = 0;
    // The text or URL (prefix included) the panel's content stands for.
    virtual std::string DescribeContent(const Panel& panel) const;

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
                                                          const tag::NdefArea& area);

std::unique_ptr<MessageFormat> MakeMessageFormat(PanelKind kind);

}  // namespace tagwright::panels
