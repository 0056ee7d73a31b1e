// SPDX-License-Identifier: MIT
#include "page_transfer.h"

#include <algorithm>

#include "read_back.h"

namespace tagwright::tag {
namespace {

constexpr std::size_t kHighestPage = 0xFF;

}  // namespace

std::int32_t ReadBlock(TagLink link, std::uint8_t page, Block& block) {
    std::uint8_t length = 0;
    return link.api.TyA_NTAG_Read(link.handle, page, block.data(), &length);
}

Outcome ReadBlockOrFail(TagLink link, std::uint8_t page, Block& block) {
    const std::int32_t status = ReadBlock(link, page, block);
    if (status == 0) return std::nullopt;
    Failure failure = PageFailure(Problem::ReadFailed, page);
    failure.refused = IsNak(status);
    return failure;
}

Outcome WritePageOrFail(TagLink link, std::uint8_t page, const PageImage& data) {
    if (link.api.TyA_NTAG_Write(link.handle, page, data.data()) == 0) {
        if (link.writes != nullptr) link.writes->Note(page, data);
        return std::nullopt;
    }
    return PageFailure(Problem::WriteFailed, page);
}

Outcome WriteMessage(TagLink link, std::span<const std::uint8_t> image, std::size_t messageSize) {
    const std::size_t pages = (messageSize + 3) / 4;
    for (std::size_t i = 0; i < messageSize; i += 4) {
        const std::size_t page = kFirstDataPage + i / 4;
        // Page numbers are one byte: a message that would run past page 255 cannot be written.
        if (page > kHighestPage || i + 4 > image.size()) {
            return PageFailure(Problem::WriteFailed, page);
        }
        PageImage data{};
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(i), 4, data.begin());
        if (auto failure = WritePageOrFail(link, static_cast<std::uint8_t>(page), data)) {
            return failure;
        }
        if (link.progress != nullptr) link.progress->PagesWritten(i / 4 + 1, pages);
    }
    return std::nullopt;
}

Result<std::vector<std::uint8_t>> ReadMessage(TagLink link, std::size_t total) {
    std::vector<std::uint8_t> buffer(total + 16, 0);
    for (std::size_t i = 0; i < total; i += 16) {
        const std::size_t page = kFirstDataPage + i / 4;
        Block block{};
        if (page > kHighestPage || ReadBlock(link, static_cast<std::uint8_t>(page), block) != 0) {
            return PageFailure(Problem::ReadFailed, page);
        }
        std::copy(block.begin(), block.end(), buffer.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return buffer;
}

}  // namespace tagwright::tag
