// SPDX-License-Identifier: MIT
#include "xlsx_archive.h"

#include <array>

namespace tagwright::sheets {
namespace {

constexpr std::size_t kInflateChunkBytes = 64 * 1024;

}  // namespace

XlsxArchive::XlsxArchive(const std::filesystem::path& path, std::uint64_t xmlBytes)
    : xmlBytesLeft_(xmlBytes) {
    int error = 0;
    zip_ = zip_open(path.c_str(), ZIP_RDONLY, &error);
}

XlsxArchive::XlsxArchive(std::span<const std::uint8_t> file, std::uint64_t xmlBytes)
    : xmlBytesLeft_(xmlBytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(file.data(), file.size(), 0, &error);
    if (source != nullptr) {
        zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (zip_ == nullptr) zip_source_free(source);
    }
    zip_error_fini(&error);
}

XlsxArchive::~XlsxArchive() {
    if (zip_ != nullptr) zip_discard(zip_);
}

XlsxArchive::Parsed XlsxArchive::Parse(const std::string& name, XmlHandler& handler) {
    const zip_int64_t index = zip_name_locate(zip_, name.c_str(), 0);
    if (index < 0) return Parsed::Missing;
    zip_file_t* member = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
    if (member == nullptr) return Parsed::Failed;
    XmlStream parser(handler);
    std::array<char, kInflateChunkBytes> chunk;
    Parsed parsed = Parsed::Failed;
    for (;;) {
        const zip_int64_t got = zip_fread(member, chunk.data(), chunk.size());
        if (got < 0 || static_cast<zip_uint64_t>(got) > xmlBytesLeft_) break;
        xmlBytesLeft_ -= static_cast<zip_uint64_t>(got);
        const auto result =
            parser.Feed(std::span(chunk.data(), static_cast<std::size_t>(got)), got == 0);
        if (result == XmlStream::Result::Going) continue;
        if (result == XmlStream::Result::Ended) parsed = Parsed::Whole;
        if (result == XmlStream::Result::Stopped) parsed = Parsed::Stopped;
        break;
    }
    zip_fclose(member);
    return parsed;
}

}  // namespace tagwright::sheets
