// SPDX-License-Identifier: MIT
// The compound file (OLE2) container of an .xls workbook: its sectors, allocation tables and
// directory, enough to read one stream at the top of the container by name. Sectors are read
// from the file as they are needed; only the allocation tables are held (4 bytes a sector).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tagwright::sheets {

class CompoundFile;

// One stream of the container, read at any offset.
class CompoundStream {
  public:
    std::uint64_t size() const { return size_; }
    // Copies length bytes from offset; false when they lie past the end or cannot be read.
    bool Read(std::uint64_t offset, std::size_t length, std::uint8_t* out) const;

  private:
    friend class CompoundFile;
    const CompoundFile* file_ = nullptr;
    std::uint64_t size_ = 0;
    // The sector read last: records are read a few bytes at a time, mostly from one sector.
    mutable std::vector<std::uint8_t> cache_;
    mutable std::size_t cachedSector_ = SIZE_MAX;
    std::vector<std::uint32_t> sectors_;  // a stream in regular sectors
    std::vector<std::uint8_t> bytes_;     // a small stream, from the mini stream, held whole
};

class CompoundFile {
  public:
    // Nothing when the file is not a compound file or its tables are damaged.
    static std::unique_ptr<CompoundFile> Open(const std::filesystem::path& path);
    // The same over bytes in memory, which must outlive the CompoundFile.
    static std::unique_ptr<CompoundFile> Open(std::span<const std::uint8_t> bytes);
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    // Whether a stream with this name lies among the top-level entries (names compare without
    // case, as the container does).
    bool HasStream(std::string_view name) const { return FindStream(name) != nullptr; }
    // That stream; nothing when there is none or its size or chain is damaged.
    std::optional<CompoundStream> Stream(std::string_view name) const;

  private:
    friend class CompoundStream;
    CompoundFile() = default;
    bool ReadAt(std::uint64_t offset, std::size_t length, std::uint8_t* out) const;
    bool ReadSector(std::uint32_t sector, std::size_t offset, std::size_t length,
                    std::uint8_t* out) const;
    bool LoadTables();
    // The directory entry of a top-level stream, or nullptr.
    const std::uint8_t* FindStream(std::string_view name) const;
    // The chain of sectors that starts at first, long enough for bytes; nothing when it is
    // shorter, loops, or leaves the table.
    std::optional<std::vector<std::uint32_t>> Chain(const std::vector<std::uint32_t>& table,
                                                    std::uint32_t first, std::uint64_t bytes,
                                                    std::size_t sectorBytes) const;

    int fd_ = -1;
    const std::uint8_t* memory_ = nullptr;
    std::uint64_t fileBytes_ = 0;
    unsigned sectorShift_ = 9;
    std::uint16_t majorVersion_ = 3;
    std::uint32_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<std::uint8_t> directory_;  // 128 bytes an entry
    std::vector<std::uint32_t> miniStreamSectors_;
    std::uint64_t miniStreamBytes_ = 0;
};

}  // namespace tagwright::sheets
