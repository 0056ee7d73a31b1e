// SPDX-License-Identifier: MIT
// The signature a simulated tag answers READ_SIG with: an ECDSA signature of its UID over
// secp128r1, as a real chip's is, but made with the simulator's own test key instead of NXP's, so
// that a program checking originality finds it well formed and never genuine.
#pragma once

#include <array>
#include <cstdint>

#include "ntag_chip.h"

namespace cardhost::sim {

// The test key's public point, uncompressed (04, X, Y): what a test verifies the signature with.
std::array<std::uint8_t, 33> TestSigningPublicKey();

// r then s, 16 bytes each. The nonce is derived from the key and the UID, so a UID always gets
// the same signature.
std::array<std::uint8_t, 32> SignWithTestKey(const Uid& uid);

}  // namespace cardhost::sim
