// SPDX-License-Identifier: MIT
// Writes the smallest compound file that holds one top-level stream, so that tests can hand the
// .xls reader BIFF records that no spreadsheet writer at hand produces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tagwright::testing {

// A BIFF record: type, length, body.
std::string BiffRecord(std::uint16_t type, const std::string& body);
std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);

// A compound file whose only stream is this one, under this name; the stream is padded with
// zeros to 4,096 bytes (so that it lies in regular sectors) and may hold up to 63 KiB.
std::vector<std::uint8_t> CompoundFileWith(const std::string& streamName, std::string stream);

}  // namespace tagwright::testing
