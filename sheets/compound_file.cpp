// SPDX-License-Identifier: MIT
#include "compound_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tagwright::sheets {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kEntryBytes = 128;
constexpr unsigned kMiniSectorShift = 6;
constexpr std::uint8_t kStreamEntry = 2;
constexpr std::uint8_t kRootEntry = 5;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Le64(const std::uint8_t* p) {
    return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

char Upper(char16_t c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c);
}

// The entry's name against an ASCII name, without case.
bool EntryNamed(const std::uint8_t* entry, std::string_view name) {
    const std::uint16_t bytes = Le16(entry + 0x40);
    if (bytes != (name.size() + 1) * 2) return false;  // the length counts the closing NUL
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<char16_t>(Le16(entry + 2 * i));
        if (c > 0x7F || Upper(c) != Upper(static_cast<char16_t>(name[i]))) return false;
    }
    return true;
}

}  // namespace

CompoundFile::~CompoundFile() {
    if (fd_ >= 0) close(fd_);
}

bool CompoundFile::ReadAt(std::uint64_t offset, std::size_t length, std::uint8_t* out) const {
    if (offset > fileBytes_ || length > fileBytes_ - offset) return false;
    if (memory_ != nullptr) {
        std::memcpy(out, memory_ + offset, length);
        return true;
    }
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool CompoundFile::ReadSector(std::uint32_t sector, std::size_t offset, std::size_t length,
                              std::uint8_t* out) const {
    const std::size_t sectorBytes = std::size_t{1} << sectorShift_;
    if (sector > kMaxRegularSector || offset + length > sectorBytes) return false;
    return ReadAt(((static_cast<std::uint64_t>(sector) + 1) << sectorShift_) + offset, length, out);
}

std::optional<std::vector<std::uint32_t>> CompoundFile::Chain(
    const std::vector<std::uint32_t>& table, std::uint32_t first, std::uint64_t bytes,
    std::size_t sectorBytes) const {
    const std::uint64_t needed = (bytes + sectorBytes - 1) / sectorBytes;
    if (needed > table.size()) return std::nullopt;  // more sectors than the table has: a loop
    std::vector<std::uint32_t> chain;
    chain.reserve(static_cast<std::size_t>(needed));
    std::uint32_t sector = first;
    while (chain.size() < needed) {
        if (sector >= table.size()) return std::nullopt;
        chain.push_back(sector);
        sector = table[sector];
    }
    return chain;
}

std::unique_ptr<CompoundFile> CompoundFile::Open(const std::filesystem::path& path) {
    std::unique_ptr<CompoundFile> file(new CompoundFile);
    file->fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (file->fd_ < 0 || fstat(file->fd_, &info) != 0 || info.st_size < 0) return nullptr;
    file->fileBytes_ = static_cast<std::uint64_t>(info.st_size);
    if (!file->LoadTables()) return nullptr;
    return file;
}

std::unique_ptr<CompoundFile> CompoundFile::Open(std::span<const std::uint8_t> bytes) {
    std::unique_ptr<CompoundFile> file(new CompoundFile);
    file->memory_ = bytes.data();
    file->fileBytes_ = bytes.size();
    if (!file->LoadTables()) return nullptr;
    return file;
}

bool CompoundFile::LoadTables() {
    std::uint8_t header[kHeaderBytes];
    if (!ReadAt(0, kHeaderBytes, header)) return false;
    static constexpr std::uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (std::memcmp(header, kSignature, sizeof kSignature) != 0) return false;
    majorVersion_ = Le16(header + 0x1A);
    sectorShift_ = Le16(header + 0x1E);
    if (sectorShift_ != 9 && sectorShift_ != 12) return false;
    if (Le16(header + 0x20) != kMiniSectorShift) return false;
    miniCutoff_ = Le32(header + 0x38);
    const std::size_t sectorBytes = std::size_t{1} << sectorShift_;
    const std::size_t perSector = sectorBytes / 4;
    // No table can have more sectors than the file.
    const std::uint64_t fileSectors = fileBytes_ >> sectorShift_;

    // The allocation table's own sectors: 109 in the header, the rest in a chain of DIFAT
    // sectors, each ending with the next one's number.
    const std::uint32_t fatSectors = Le32(header + 0x2C);
    if (fatSectors > fileSectors) return false;
    std::vector<std::uint32_t> fatList;
    for (std::size_t i = 0; i < 109 && fatList.size() < fatSectors; ++i)
        fatList.push_back(Le32(header + 0x4C + 4 * i));
    std::uint32_t difat = Le32(header + 0x44);
    std::vector<std::uint8_t> sector(sectorBytes);
    for (std::uint64_t hops = 0; fatList.size() < fatSectors; ++hops) {
        if (hops > fileSectors || !ReadSector(difat, 0, sectorBytes, sector.data())) return false;
        for (std::size_t i = 0; i + 1 < perSector && fatList.size() < fatSectors; ++i)
            fatList.push_back(Le32(sector.data() + 4 * i));
        difat = Le32(sector.data() + sectorBytes - 4);
    }
    fat_.reserve(fatList.size() * perSector);
    for (std::uint32_t fatSector : fatList) {
        if (!ReadSector(fatSector, 0, sectorBytes, sector.data())) return false;
        for (std::size_t i = 0; i < perSector; ++i)
            fat_.push_back(Le32(sector.data() + 4 * i));
    }

    // The directory: its chain has no length of its own, so it is followed to its end.
    std::uint32_t at = Le32(header + 0x30);
    for (std::uint64_t hops = 0; at != kEndOfChain; ++hops) {
        if (hops > fileSectors || at >= fat_.size()) return false;
        const std::size_t old = directory_.size();
        directory_.resize(old + sectorBytes);
        if (!ReadSector(at, 0, sectorBytes, directory_.data() + old)) return false;
        at = fat_[at];
    }
    if (directory_.size() < kEntryBytes || directory_[0x42] != kRootEntry) return false;

    // The mini stream (the root entry's stream) and its table, for streams under the cutoff.
    const std::uint32_t miniFatSectors = Le32(header + 0x40);
    if (miniFatSectors > fileSectors) return false;
    if (miniFatSectors > 0) {
        const auto chain =
            Chain(fat_, Le32(header + 0x3C),
                  static_cast<std::uint64_t>(miniFatSectors) * sectorBytes, sectorBytes);
        if (!chain) return false;
        for (std::uint32_t s : *chain) {
            if (!ReadSector(s, 0, sectorBytes, sector.data())) return false;
            for (std::size_t i = 0; i < perSector; ++i)
                miniFat_.push_back(Le32(sector.data() + 4 * i));
        }
        miniStreamBytes_ = Le64(directory_.data() + 0x78);
        if (majorVersion_ == 3) miniStreamBytes_ &= 0xFFFFFFFF;
        const auto mini =
            Chain(fat_, Le32(directory_.data() + 0x74), miniStreamBytes_, sectorBytes);
        if (!mini) return false;
        miniStreamSectors_ = *mini;
    }
    return true;
}

const std::uint8_t* CompoundFile::FindStream(std::string_view name) const {
    // The top-level entries hang as a tree of siblings under the root's child.
    const std::size_t entries = directory_.size() / kEntryBytes;
    std::vector<bool> visited(entries);
    std::vector<std::uint32_t> pending = {Le32(directory_.data() + 0x4C)};
    const std::uint8_t* found = nullptr;
    while (!pending.empty() && found == nullptr) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == kNoEntry || index >= entries || visited[index]) continue;
        visited[index] = true;
        const std::uint8_t* entry = directory_.data() + index * kEntryBytes;
        if (entry[0x42] == kStreamEntry && EntryNamed(entry, name)) found = entry;
        pending.push_back(Le32(entry + 0x44));
        pending.push_back(Le32(entry + 0x48));
    }
    return found;
}

std::optional<CompoundStream> CompoundFile::Stream(std::string_view name) const {
    const std::uint8_t* found = FindStream(name);
    if (found == nullptr) return std::nullopt;

    CompoundStream stream;
    stream.file_ = this;
    stream.size_ = Le64(found + 0x78);
    if (majorVersion_ == 3) stream.size_ &= 0xFFFFFFFF;
    if (stream.size_ > fileBytes_) return std::nullopt;
    const std::uint32_t first = Le32(found + 0x74);
    if (stream.size_ >= miniCutoff_) {
        auto chain = Chain(fat_, first, stream.size_, std::size_t{1} << sectorShift_);
        if (!chain) return std::nullopt;
        stream.sectors_ = std::move(*chain);
        return stream;
    }
    // A small stream lies in the mini stream, 64 bytes a mini sector; it is read whole.
    const std::size_t miniBytes = std::size_t{1} << kMiniSectorShift;
    const auto chain = Chain(miniFat_, first, stream.size_, miniBytes);
    if (!chain) return std::nullopt;
    stream.bytes_.resize(static_cast<std::size_t>(stream.size_));
    std::size_t done = 0;
    for (std::uint32_t mini : *chain) {
        const std::uint64_t at = static_cast<std::uint64_t>(mini) << kMiniSectorShift;
        const std::size_t length = std::min(miniBytes, stream.bytes_.size() - done);
        const std::uint64_t host = at >> sectorShift_;
        if (at + length > miniStreamBytes_ || host >= miniStreamSectors_.size() ||
            !ReadSector(miniStreamSectors_[host], at & ((std::size_t{1} << sectorShift_) - 1),
                        length, stream.bytes_.data() + done)) {
            return std::nullopt;
        }
        done += length;
    }
    return stream;
}

bool CompoundStream::Read(std::uint64_t offset, std::size_t length, std::uint8_t* out) const {
    if (offset > size_ || length > size_ - offset) return false;
    if (length == 0) return true;
    if (sectors_.empty()) {
        std::memcpy(out, bytes_.data() + offset, length);
        return true;
    }
    const unsigned shift = file_->sectorShift_;
    const std::size_t sectorBytes = std::size_t{1} << shift;
    while (length > 0) {
        const std::size_t within = static_cast<std::size_t>(offset & (sectorBytes - 1));
        const std::size_t take = std::min(length, sectorBytes - within);
        const auto index = static_cast<std::size_t>(offset >> shift);
        if (cachedSector_ != index) {
            cache_.resize(sectorBytes);
            cachedSector_ = file_->ReadSector(sectors_[index], 0, sectorBytes, cache_.data())
                                ? index
                                : SIZE_MAX;
        }
        if (cachedSector_ == index) {
            std::memcpy(out, cache_.data() + within, take);
        } else if (!file_->ReadSector(sectors_[index], within, take, out)) {
            return false;  // the sector is cut short by the end of the file, before these bytes
        }
        offset += take;
        out += take;
        length -= take;
    }
    return true;
}

}  // namespace tagwright::sheets
