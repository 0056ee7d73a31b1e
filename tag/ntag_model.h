// SPDX-License-Identifier: MIT
// The NTAG models the program knows, keyed by the storage-size byte of GET_VERSION.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tagwright::tag {

using ModelCode = std::uint8_t;

inline constexpr ModelCode kNtag203 = 0x00;  // also any tag that refuses GET_VERSION
inline constexpr ModelCode kNtag210 = 0x0B;
inline constexpr ModelCode kNtag212 = 0x0E;
inline constexpr ModelCode kNtag213 = 0x0F;
inline constexpr ModelCode kNtag215 = 0x11;
inline constexpr ModelCode kNtag216 = 0x13;

struct NtagModel {
    ModelCode code;
    std::string_view name;
    std::uint16_t userMemoryCap;                  // bytes from page 4 on
    std::optional<std::uint8_t> configPage;       // AUTH0 in byte 3; none: no password
    std::optional<std::uint8_t> dynamicLockPage;  // none: no dynamic lock bytes
    std::uint8_t dynamicLockBytes;                // how many of its bytes are lock bytes
};

// nullptr for a code the table does not know.
const NtagModel* FindModel(ModelCode code);

// The model's name; empty for an unknown code.
std::string_view ModelName(ModelCode code);

// The largest user memory of the models smaller than this one (0 for the smallest, and for a
// code the table does not know).
std::uint16_t NextSmallerUserMemory(ModelCode code);

// Lowers the capacity to the model's user memory; an unknown code leaves it unchanged.
std::uint16_t CapUserMemory(ModelCode code, std::uint16_t capacity);

// A page the model has, one it does not have, or a code the table does not know.
struct PageLookup {
    enum class Kind { Page, NotSupported, Unknown };
    Kind kind;
    std::uint8_t page = 0;
};

PageLookup ConfigurationPage(ModelCode code);  // NotSupported: NTAG203
PageLookup PasswordPage(ModelCode code);       // the configuration page + 2
PageLookup DynamicLockPage(ModelCode code);    // NotSupported: NTAG210

// Sets the model's dynamic lock bytes to 0xFF in a page image; other codes change nothing.
void SetDynamicLockBytes(ModelCode code, std::uint8_t page[4]);

}  // namespace tagwright::tag
