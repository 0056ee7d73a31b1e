// SPDX-License-Identifier: MIT
// The originality check over any UID and signature a tag may answer, and any public key, on or
// off the curve: a verdict, never a crash or a leak.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "tag/originality.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tagwright::tag;
    Uid uid{};
    Signature signature{};
    PublicKey key = kNxpNtag21xKey;
    std::size_t at = 0;
    const auto take = [&](auto& into) {
        const std::size_t n = std::min(into.size(), size - at);
        std::copy_n(data + at, n, into.begin());
        at += n;
    };
    take(uid);
    take(signature);
    static_cast<void>(SignatureMatches(uid, signature, key));
    if (at < size) {
        take(key);
        static_cast<void>(SignatureMatches(uid, signature, key));
    }
    return 0;
}
