// SPDX-License-Identifier: MIT
// What the operation controller asks of a function panel, and what it gives back. The GUI
// panels, the command-line front end and the tests each implement it.
#pragma once

#include <cstdint>
#include <string>

#include "reader/device_session.h"
#include "tag/mirror.h"

namespace tagwright::panels {

enum class PanelKind { Text = 2, Url = 3, SmartPoster = 4 };

inline constexpr int kNoPrefix = -1;  // the prefix list has no row selected

class Panel {
  public:
    virtual ~Panel() = default;

    // Check boxes and key fields, consulted at every run.
    virtual bool autoOperation() const = 0;
    virtual bool encryption() const = 0;
    virtual bool lockTag() const = 0;
    virtual bool writeFromFile() const = 0;
    virtual std::string originalKeyText() const = 0;
    virtual std::string newKeyText() const = 0;
    // Production options of the command line; the window has none of them (yet).
    virtual bool verifyWrites() const { return false; }     // read every written page back
    virtual bool expandTemplates() const { return false; }  // {uid}, {row}, {n} per tag
    // The NFC counter switched on by Write, and its reading protected by the password.
    virtual bool nfcCounter() const { return false; }
    virtual bool counterByKey() const { return false; }
    // With Encryption: the wrong keys the tag allows before it refuses every key (AUTHLIM, 1 to
    // 7); 0 leaves the limit as it is.
    virtual int attemptLimit() const { return 0; }
    // With Encryption: reads need the key too (PROT), not only writes.
    virtual bool protectReads() const { return false; }
    // With Lock Tag: the configuration pages locked too (CFGLCK).
    virtual bool lockConfig() const { return false; }
    // The PACK chosen for the password (four hex digits); empty: derived from the key.
    virtual std::string packText() const { return {}; }
    // URL and SmartPoster: the tag's UID and/or counter mirrored into the URL.
    virtual tag::MirrorKind mirror() const { return tag::MirrorKind::None; }
    // Write refuses a tag whose originality signature is not NXP's.
    virtual bool genuineOnly() const { return false; }

    // The file group: row number field, "Row auto +1", the path field.
    virtual bool rowAutoIncrement() const = 0;
    virtual std::string rowNumberText() const = 0;
    virtual void SetRowNumberText(const std::string& text) = 0;
    virtual void SetFilePathText(const std::string& path) = 0;

    // Content, UTF-8. The Text panel's text box, or the URL field of the other two.
    virtual std::string contentText() const = 0;
    virtual int prefixCode() const { return 0; }  // URL and SmartPoster; kNoPrefix when none
    virtual std::string titleText() const { return {}; }  // SmartPoster
    // The field a spreadsheet row fills: the text box, or the URL field.
    virtual void SetContentText(const std::string& text) = 0;

    // What a successful read shows.
    virtual void ShowText(const std::string&) {}  // the text box and its byte count
    virtual void ShowPrefix(int) {}               // kNoPrefix for a code without a row
    virtual void ShowUrl(const std::string&) {}
    virtual void ShowTitle(const std::string&) {}
    virtual void ShowCounter(std::uint32_t) {}  // the NFC counter, where the tag shows it
    virtual void ShowGenuine(bool) {}           // whether the signature is NXP's

    virtual void SetReadWriteEnabled(bool enabled) = 0;
    // The message boxes the panel owns.
    virtual reader::ErrorBox& errorBox() = 0;
};

// The spreadsheet rows behind "Write from file".
class RowSource {
  public:
    virtual ~RowSource() = default;
    virtual bool SheetLoaded() const = 0;
    // Before a Write: the row the row number names, into the content field, so that the tag
    // receives that row and no other text. False, with the row's message, when it cannot be.
    virtual bool CurrentRowReady() = 0;
    // After a tag was written: the next row (or the same one) into the content field. False,
    // with its own message, when the row cannot be loaded.
    virtual bool AdvanceAfterWrite() = 0;
    // After AdvanceAfterWrite failed: whether the row lies past the sheet's last text row, the
    // normal end of a batch.
    virtual bool RowsRanOut() const = 0;
};

// No sheet at all: for runs that never write from a file.
class NoSheet : public RowSource {
  public:
    bool SheetLoaded() const override { return false; }
    bool CurrentRowReady() override { return false; }
    bool AdvanceAfterWrite() override { return false; }
    bool RowsRanOut() const override { return false; }
};

}  // namespace tagwright::panels
