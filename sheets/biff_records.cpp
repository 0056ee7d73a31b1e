// SPDX-License-Identifier: MIT
#include "biff_records.h"

#include <algorithm>

namespace tagwright::sheets {

bool BiffRecords::Next(std::uint16_t& type, std::vector<std::uint8_t>& body) {
    std::uint8_t header[4];
    if (!stream_.Read(next_, sizeof header, header)) return false;
    type = static_cast<std::uint16_t>(header[0] | header[1] << 8);
    const std::size_t length = static_cast<std::size_t>(header[2] | header[3] << 8);
    body.resize(length);
    if (!stream_.Read(next_ + sizeof header, length, body.data())) return false;
    next_ += sizeof header + length;
    return true;
}

bool BiffRecords::PeekType(std::uint16_t& type) const {
    std::uint8_t bytes[2];
    if (!stream_.Read(next_, sizeof bytes, bytes)) return false;
    type = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    return true;
}

bool ContinuedRecord::NextContinue() {
    std::uint16_t type = 0;
    if (!records_.PeekType(type) || type != biff::kContinue) return false;
    at_ = 0;
    return records_.Next(type, body_);
}

bool ContinuedRecord::Skip(std::uint64_t bytes) {
    while (bytes > 0) {
        if (at_ == body_.size() && !NextContinue()) return false;
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes, body_.size() - at_));
        at_ += take;
        bytes -= take;
    }
    return true;
}

bool ContinuedRecord::U8(std::uint8_t& value) {
    while (at_ == body_.size()) {
        if (!NextContinue()) return false;
    }
    value = body_[at_++];
    return true;
}

bool ContinuedRecord::U16(std::uint16_t& value) {
    std::uint8_t low = 0, high = 0;
    if (!U8(low) || !U8(high)) return false;
    value = static_cast<std::uint16_t>(low | high << 8);
    return true;
}

bool ContinuedRecord::U32(std::uint32_t& value) {
    std::uint16_t low = 0, high = 0;
    if (!U16(low) || !U16(high)) return false;
    value = static_cast<std::uint32_t>(low) | static_cast<std::uint32_t>(high) << 16;
    return true;
}

bool ContinuedRecord::Bytes(std::uint32_t count, std::vector<std::uint8_t>& out) {
    while (count > 0) {
        if (at_ == body_.size() && !NextContinue()) return false;
        const std::size_t take = std::min<std::size_t>(count, body_.size() - at_);
        out.insert(out.end(), body_.begin() + static_cast<std::ptrdiff_t>(at_),
                   body_.begin() + static_cast<std::ptrdiff_t>(at_ + take));
        at_ += take;
        count -= static_cast<std::uint32_t>(take);
    }
    return true;
}

bool ContinuedRecord::Characters(std::uint32_t count, bool wide, std::string* out,
                                 std::size_t maxBytes) {
    std::string skipped;  // stays empty: skipped characters are not converted
    Utf16ToUtf8 text(out != nullptr ? *out : skipped);
    while (count > 0) {
        if (at_ == body_.size()) {
            // The characters go on in a CONTINUE record, behind a fresh option byte.
            if (!NextContinue() || body_.empty()) return false;
            wide = (body_[at_++] & 0x01) != 0;
            continue;
        }
        const std::size_t width = wide ? 2 : 1;
        if (body_.size() - at_ < width) return false;  // a character cut in two
        const std::uint16_t unit =
            wide ? static_cast<std::uint16_t>(body_[at_] | body_[at_ + 1] << 8) : body_[at_];
        at_ += width;
        --count;
        if (out == nullptr) continue;
        text.Unit(unit);
        if (out->size() > maxBytes) return false;
    }
    if (out != nullptr) {
        text.Finish();
        if (out->size() > maxBytes) return false;
    }
    return true;
}

bool ContinuedRecord::UnicodeString(std::string* out, std::size_t maxBytes) {
    std::uint16_t count = 0;
    std::uint8_t options = 0;
    if (!U16(count) || !U8(options)) return false;
    std::uint16_t runs = 0;
    std::uint32_t phonetic = 0;
    if ((options & 0x08) != 0 && !U16(runs)) return false;
    if ((options & 0x04) != 0 && !U32(phonetic)) return false;
    return Characters(count, (options & 0x01) != 0, out, maxBytes) &&
           Skip(static_cast<std::uint64_t>(runs) * 4 + phonetic);
}

}  // namespace tagwright::sheets
