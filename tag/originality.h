// SPDX-License-Identifier: MIT
// The originality signature of NTAG210, NTAG212, NTAG213, NTAG215 and NTAG216: 32 bytes that
// READ_SIG answers, an ECDSA signature over secp128r1 of the 7-byte UID (taken as it is, without
// hashing), r then s, made at the factory with NXP's key. A look-alike chip cannot make one that
// NXP's public key verifies.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "detection.h"
#include "failure.h"

namespace tagwright::tag {

using Signature = std::array<std::uint8_t, 32>;
// An uncompressed point: 04, then X and Y of 16 bytes each.
using PublicKey = std::array<std::uint8_t, 33>;

// NXP's published key for the NTAG21x family.
inline constexpr PublicKey kNxpNtag21xKey = {0x04, 0x49, 0x4E, 0x1A, 0x38, 0x6D, 0x3D, 0x3C, 0xFE,
                                             0x3D, 0xC1, 0x0E, 0x5D, 0xE6, 0x8A, 0x49, 0x9B, 0x1C,
                                             0x20, 0x2D, 0xB5, 0xB1, 0x32, 0x39, 0x3E, 0x89, 0xED,
                                             0x19, 0xFE, 0x5B, 0xE8, 0xBC, 0x61};

// Whether the model answers READ_SIG (NTAG203 has no signature).
bool HasSignature(ModelCode model);

// Whether `signature` is `key`'s signature of `uid` (a signature whose r or s is out of range is
// not); nothing when no verdict can be given: a key that is no point of the curve, or a curve the
// cryptography library lacks.
std::optional<bool> SignatureMatches(const Uid& uid, const Signature& signature,
                                     const PublicKey& key);

// The tag's signature; nothing for a model without one.
Result<std::optional<Signature>> ReadSignature(TagLink link, ModelCode model);

// Whether the tag is a genuine NXP chip; nothing for a model without a signature, or when no
// verdict can be given. A tag that names an NTAG21x model and refuses READ_SIG is no genuine one;
// it is selected again after the refusal, so that later steps reach it.
Result<std::optional<bool>> CheckGenuine(TagLink link, DetectedTag& tag);

}  // namespace tagwright::tag
