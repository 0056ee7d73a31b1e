// SPDX-License-Identifier: MIT
// The records of a BIFF5 or BIFF8 workbook stream: a 2-byte type, a 2-byte length, up to 8,224
// bytes of body. A record's data can go on in CONTINUE records right after it; ContinuedRecord
// reads across them, including the character data of BIFF8 strings, whose every continuation
// begins with an option byte that says whether its characters are 1 or 2 bytes wide.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compound_file.h"
#include "utf16_to_utf8.h"

namespace tagwright::sheets {

namespace biff {
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kSharedFormula = 0x04BC;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kBiff8 = 0x0600;
inline constexpr std::uint16_t kBiff5 = 0x0500;  // Excel 5 and 95 (BIFF7) alike
inline constexpr std::uint16_t kGlobals = 0x0005;
inline constexpr std::uint16_t kWorksheet = 0x0010;
}  // namespace biff

class BiffRecords {
  public:
    explicit BiffRecords(const CompoundStream& stream) : stream_(stream) {}
    void Seek(std::uint64_t offset) { next_ = offset; }
    std::uint64_t offset() const { return next_; }
    // The next record into type and body; false at the end of the stream or a cut-off record.
    bool Next(std::uint16_t& type, std::vector<std::uint8_t>& body);
    // The type of the next record, without moving on; false at the end of the stream.
    bool PeekType(std::uint16_t& type) const;

  private:
    const CompoundStream& stream_;
    std::uint64_t next_ = 0;
};

class ContinuedRecord {
  public:
    ContinuedRecord(BiffRecords& records, std::vector<std::uint8_t> body)
        : records_(records), body_(std::move(body)) {}
    bool Skip(std::uint64_t bytes);
    bool U8(std::uint8_t& value);
    bool U16(std::uint16_t& value);
    bool U32(std::uint32_t& value);
    // A string of count characters that starts width-wise as wide says. With out set the text
    // is appended to it as UTF-8, up to maxBytes (false past them); without, it is skipped.
    bool Characters(std::uint32_t count, bool wide, std::string* out, std::size_t maxBytes);
    // count bytes as they stand, across CONTINUE records: BIFF5 text, which has no option
    // bytes, runs on this way.
    bool Bytes(std::uint32_t count, std::vector<std::uint8_t>& out);
    // An XLUnicodeString: its character count, option byte, optional rich-text and phonetic
    // sizes, characters, then the rich-text runs and phonetic data, which are skipped.
    bool UnicodeString(std::string* out, std::size_t maxBytes);

  private:
    // Moves on to the next record when it is a CONTINUE; false otherwise.
    bool NextContinue();
    BiffRecords& records_;
    std::vector<std::uint8_t> body_;
    std::size_t at_ = 0;
};

}  // namespace tagwright::sheets
