// SPDX-License-Identifier: MIT
#include "sheet_files.h"

#include <unistd.h>
#include <zip.h>

#include <fstream>
#include <stdexcept>

namespace tagwright::testing {
namespace {

const std::string kWorkbook =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheets><sheet name="Tags" sheetId="1" r:id="rId1"/></sheets></workbook>)";
const std::string kRelationships =
    R"(<?xml version="1.0" encoding="UTF-8"?>)"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(</Relationships>)";

}  // namespace

SheetFiles::SheetFiles()
    : folder_(std::filesystem::temp_directory_path() /
              ("tw-sheet-files-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(folder_);
}

SheetFiles::~SheetFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::filesystem::path SheetFiles::Write(const std::string& name, const std::string& bytes) {
    const auto path = folder_ / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

std::filesystem::path SheetFiles::Zip(const std::string& name,
                                      const std::map<std::string, std::string>& parts) {
    const auto path = folder_ / name;
    std::filesystem::remove(path);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &error);
    if (archive == nullptr) throw std::runtime_error("zip_open");
    for (const auto& [member, bytes] : parts) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (source == nullptr || zip_file_add(archive, member.c_str(), source, 0) < 0) {
            throw std::runtime_error("zip_file_add");
        }
    }
    if (zip_close(archive) != 0) throw std::runtime_error("zip_close");
    return path;
}

std::filesystem::path SheetFiles::Xlsx(const std::string& name, const std::string& sheetData,
                                       const std::string& sharedStrings) {
    std::map<std::string, std::string> parts = {
        {"xl/workbook.xml", kWorkbook},
        {"xl/_rels/workbook.xml.rels", kRelationships},
        {"xl/worksheets/sheet1.xml",
         R"(<?xml version="1.0" encoding="UTF-8"?>)"
         R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
         "<sheetData>" +
             sheetData + "</sheetData></worksheet>"}};
    if (!sharedStrings.empty()) {
        parts["xl/sharedStrings.xml"] =
            R"(<?xml version="1.0" encoding="UTF-8"?>)"
            R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
            sharedStrings + "</sst>";
    }
    return Zip(name, parts);
}

std::uint64_t ZipMemberSize(const std::filesystem::path& archive, const std::string& member) {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (zip == nullptr) throw std::runtime_error("zip_open");
    zip_stat_t stat;
    zip_stat_init(&stat);
    const int found = zip_stat(zip, member.c_str(), 0, &stat);
    zip_discard(zip);
    if (found != 0) throw std::runtime_error("no member " + member);
    return stat.size;
}

}  // namespace tagwright::testing
