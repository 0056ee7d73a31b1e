// SPDX-License-Identifier: MIT
// The zip archive of an .xlsx workbook (libzip). A part is never held whole: it is inflated in
// pieces straight into an XML parser, and all the parts read from one archive share one budget
// of decompressed bytes, so that a small archive that inflates to gigabytes is refused early.
#pragma once

#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "xml_stream.h"

namespace tagwright::sheets {

class XlsxArchive {
  public:
    XlsxArchive(const std::filesystem::path& path, std::uint64_t xmlBytes);
    XlsxArchive(std::span<const std::uint8_t> file, std::uint64_t xmlBytes);
    ~XlsxArchive();
    XlsxArchive(const XlsxArchive&) = delete;
    XlsxArchive& operator=(const XlsxArchive&) = delete;
    bool ok() const { return zip_ != nullptr; }

    enum class Parsed {
        Whole,    // the part was read to its end
        Stopped,  // the handler stopped the parser: it had what it needed, or found a fault
        Missing,  // no such part
        Failed,   // damaged, malformed, or past the budget
    };
    Parsed Parse(const std::string& name, XmlHandler& handler);

  private:
    zip_t* zip_ = nullptr;
    std::uint64_t xmlBytesLeft_;
};

}  // namespace tagwright::sheets
