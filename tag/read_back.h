// SPDX-License-Identifier: MIT
// Read-back verification: after a Write, the pages it wrote are read again and compared byte for
// byte with what was sent, so that a tag that acknowledged a write but kept other bytes (a weak
// page, a torn write) is caught before the operator is told it succeeded.
#pragma once

#include <map>

#include "page_transfer.h"

namespace tagwright::tag {

// The pages one Write sent and the tag acknowledged; a page written twice keeps its last bytes.
class PageWrites {
  public:
    void Note(std::uint8_t page, const PageImage& data) { pages_[page] = data; }
    const std::map<std::uint8_t, PageImage>& pages() const { return pages_; }
    // Bytes the tag answers with other bytes than were written (the ASCII mirror), from byte
    // `address` of its memory on: not compared.
    void Skip(std::size_t address, std::size_t count) {
        skipFrom_ = address;
        skipCount_ = count;
    }
    bool Skipped(std::size_t address) const {
        return address >= skipFrom_ && address < skipFrom_ + skipCount_;
    }

  private:
    std::map<std::uint8_t, PageImage> pages_;
    std::size_t skipFrom_ = 0, skipCount_ = 0;
};

// Reads back every noted page, four pages per READ, and compares; the password page of a model
// with a password is compared with zeros, as it reads. Fails as VerifyFailed at the first page
// that differs, or with the failed READ.
Outcome ReadBackPages(TagLink link, ModelCode model, const PageWrites& writes);

// PWD_AUTH with the bytes written to the password page: the only way to see them. A refusal
// fails as VerifyFailed at the password page, with its status; the tag is idle then. The PACK it
// answers must be the one `link.writes` has for the PACK page, or else one expected for the key;
// otherwise WrongPack.
Outcome ProvePassword(TagLink link, std::uint8_t passwordPage, const PageImage& written);

// Reads back every noted page, four pages per READ, and compares. The password page of a model
// with a password reads as zeros, so it is compared with zeros and the password itself is proven
// by authenticating with the bytes written there (last, as a refusal leaves the tag idle).
// Fails as VerifyFailed at the first page that differs, or with the failed READ.
Outcome VerifyWrites(TagLink link, ModelCode model, const PageWrites& writes);

}  // namespace tagwright::tag
