// SPDX-License-Identifier: MIT
#include "compound_writer.h"

#include <cstring>
#include <stdexcept>

namespace tagwright::testing {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, static_cast<std::uint16_t>(value));
    Put16(out, at + 2, static_cast<std::uint16_t>(value >> 16));
}

// A directory entry at at: name, type, siblings, child, first sector, size.
void Entry(std::vector<std::uint8_t>& out, std::size_t at, const std::string& name,
           std::uint8_t type, std::uint32_t child, std::uint32_t first, std::uint32_t size) {
    for (std::size_t i = 0; i < name.size(); ++i)
        Put16(out, at + 2 * i, static_cast<std::uint8_t>(name[i]));
    Put16(out, at + 0x40, static_cast<std::uint16_t>((name.size() + 1) * 2));
    out[at + 0x42] = type;
    out[at + 0x43] = 1;  // black
    Put32(out, at + 0x44, kFree);
    Put32(out, at + 0x48, kFree);
    Put32(out, at + 0x4C, child);
    Put32(out, at + 0x74, first);
    Put32(out, at + 0x78, size);
}

}  // namespace

std::string Le16(std::uint16_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string Le32(std::uint32_t value) {
    return Le16(static_cast<std::uint16_t>(value)) + Le16(static_cast<std::uint16_t>(value >> 16));
}

std::string BiffRecord(std::uint16_t type, const std::string& body) {
    return Le16(type) + Le16(static_cast<std::uint16_t>(body.size())) + body;
}

std::vector<std::uint8_t> CompoundFileWith(const std::string& streamName, std::string stream) {
    if (stream.size() < 4096) stream.resize(4096, '\0');
    stream.resize((stream.size() + kSector - 1) / kSector * kSector, '\0');
    const auto sectors = static_cast<std::uint32_t>(stream.size() / kSector);
    if (sectors + 2 > kSector / 4) throw std::length_error("stream too long");
    const std::uint32_t fat = sectors, directory = sectors + 1;
    std::vector<std::uint8_t> out((sectors + 3) * kSector, 0);

    static constexpr std::uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(out.data(), kSignature, sizeof kSignature);
    Put16(out, 0x18, 0x3E);
    Put16(out, 0x1A, 3);
    Put16(out, 0x1C, 0xFFFE);
    Put16(out, 0x1E, 9);
    Put16(out, 0x20, 6);
    Put32(out, 0x2C, 1);  // one FAT sector
    Put32(out, 0x30, directory);
    Put32(out, 0x38, 4096);
    Put32(out, 0x3C, kEnd);  // no mini FAT
    Put32(out, 0x44, kEnd);  // no DIFAT sectors
    Put32(out, 0x4C, fat);
    for (std::size_t i = 1; i < 109; ++i)
        Put32(out, 0x4C + 4 * i, kFree);

    std::memcpy(out.data() + kSector, stream.data(), stream.size());
    const std::size_t fatAt = (fat + 1) * kSector;
    for (std::uint32_t i = 0; i < kSector / 4; ++i) {
        std::uint32_t next = kFree;
        if (i + 1 < sectors) next = i + 1;
        if (i + 1 == sectors || i == directory) next = kEnd;
        if (i == fat) next = kFatSector;
        Put32(out, fatAt + 4 * i, next);
    }
    const std::size_t directoryAt = (directory + 1) * kSector;
    Entry(out, directoryAt, "Root Entry", 5, 1, kEnd, 0);
    Entry(out, directoryAt + 128, streamName, 2, kFree, 0,
          static_cast<std::uint32_t>(stream.size()));
    for (std::size_t e = 2; e < 4; ++e) {
        Put32(out, directoryAt + 128 * e + 0x44, kFree);
        Put32(out, directoryAt + 128 * e + 0x48, kFree);
        Put32(out, directoryAt + 128 * e + 0x4C, kFree);
    }
    return out;
}

}  // namespace tagwright::testing
