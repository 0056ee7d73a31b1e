// SPDX-License-Identifier: MIT
// Workbooks written by the tests themselves: .xlsx archives of raw parts (libzip) and plain files,
// in a scratch folder that is removed with the object.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace tagwright::testing {

class SheetFiles {
  public:
    SheetFiles();
    ~SheetFiles();
    SheetFiles(const SheetFiles&) = delete;
    SheetFiles& operator=(const SheetFiles&) = delete;

    // A file of these bytes.
    std::filesystem::path Write(const std::string& name, const std::string& bytes);
    // An archive of these parts, deflated.
    std::filesystem::path Zip(const std::string& name,
                              const std::map<std::string, std::string>& parts);
    // A workbook whose first sheet has this <sheetData> content, with these shared strings
    // (<si> elements); without any, no sharedStrings.xml part.
    std::filesystem::path Xlsx(const std::string& name, const std::string& sheetData,
                               const std::string& sharedStrings = {});

  private:
    std::filesystem::path folder_;
};

// The decompressed size of an archive member.
std::uint64_t ZipMemberSize(const std::filesystem::path& archive, const std::string& member);

}  // namespace tagwright::testing
