// SPDX-License-Identifier: MIT
#include "nfc_counter.h"

#include "page_transfer.h"
#include "read_back.h"

namespace tagwright::tag {
namespace {

constexpr std::uint8_t kCounterEnable = 0x10;   // NFC_CNT_EN
constexpr std::uint8_t kCounterProtect = 0x08;  // NFC_CNT_PWD_PROT
constexpr std::uint8_t kCounterAddress = 0x02;  // the NFC counter's address for READ_CNT

// ACCESS is byte 0 of the page after the one holding AUTH0.
Result<std::uint8_t> AccessPage(ModelCode model) {
    const PageLookup config = ConfigurationPage(model);
    if (!HasNfcCounter(model) || config.kind != PageLookup::Kind::Page) {
        return Failure{Problem::NoCounter};
    }
    return static_cast<std::uint8_t>(config.page + 1);
}

}  // namespace

bool HasNfcCounter(ModelCode model) {
    return model == kNtag213 || model == kNtag215 || model == kNtag216;
}

Outcome EnableNfcCounter(TagLink link, ModelCode model, bool passwordProtected) {
    const auto page = AccessPage(model);
    if (!page) return page.failure();
    PageWrites written;
    const TagLink step{link.api, link.handle, &written};
    Block block{};
    if (auto failure = ReadBlockOrFail(step, *page, block)) return failure;
    const auto protect = passwordProtected ? kCounterProtect : std::uint8_t{0};
    const PageImage access{static_cast<std::uint8_t>(block[0] | kCounterEnable | protect), block[1],
                           block[2], block[3]};
    if (auto failure = WritePageOrFail(step, *page, access)) return failure;
    return ReadBackPages(step, model, written);
}

Result<std::optional<std::uint32_t>> ReadNfcCounter(TagLink link, ModelCode model,
                                                    bool authenticated) {
    const auto page = AccessPage(model);
    if (!page) return std::optional<std::uint32_t>();
    Block block{};
    if (auto failure = ReadBlockOrFail(link, *page, block)) return *failure;
    if (!(block[0] & kCounterEnable)) return std::optional<std::uint32_t>();
    if ((block[0] & kCounterProtect) && !authenticated) return std::optional<std::uint32_t>();
    std::uint8_t value[3]{};
    std::uint8_t length = 0;
    const std::int32_t status =
        link.api.TyA_NTAG_ReadCnt(link.handle, kCounterAddress, value, &length);
    if (status != 0) return CallFailure("TyA_NTAG_ReadCnt", status);
    // Least significant byte first.
    return std::optional<std::uint32_t>(value[0] | value[1] << 8 | value[2] << 16);
}

}  // namespace tagwright::tag
