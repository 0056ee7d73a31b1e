// SPDX-License-Identifier: MIT
#include "nfc_counter.h"

#include "access_byte.h"
#include "page_transfer.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kCounterAddress = 0x02;  // the NFC counter's address for READ_CNT

}  // namespace

bool HasNfcCounter(ModelCode model) {
    return model == kNtag213 || model == kNtag215 || model == kNtag216;
}

Outcome EnableNfcCounter(TagLink link, ModelCode model, bool passwordProtected) {
    if (!HasNfcCounter(model)) return Failure{Problem::NoCounter};
    const auto protect = passwordProtected ? kAccessCounterProtect : std::uint8_t{0};
    // Without the password protection asked for, a protection set before is taken off.
    return SetAccessBits(link, model, static_cast<std::uint8_t>(kAccessCounterEnable | protect),
                         kAccessCounterProtect);
}

Result<std::optional<std::uint32_t>> ReadNfcCounter(TagLink link, ModelCode model,
                                                    bool authenticated) {
    if (!HasNfcCounter(model)) return std::optional<std::uint32_t>();
    const auto page = AccessPage(model);
    if (!page) return std::optional<std::uint32_t>();
    Block block{};
    if (auto failure = ReadBlockOrFail(link, *page, block)) return *failure;
    if (!(block[0] & kAccessCounterEnable)) return std::optional<std::uint32_t>();
    if ((block[0] & kAccessCounterProtect) && !authenticated) return std::optional<std::uint32_t>();
    std::uint8_t value[3]{};
    std::uint8_t length = 0;
    const std::int32_t status =
        link.api.TyA_NTAG_ReadCnt(link.handle, kCounterAddress, value, &length);
    if (status != 0) return CallFailure("TyA_NTAG_ReadCnt", status);
    // Least significant byte first.
    return std::optional<std::uint32_t>(value[0] | value[1] << 8 | value[2] << 16);
}

}  // namespace tagwright::tag
