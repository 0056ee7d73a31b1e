// SPDX-License-Identifier: MIT
#include "test_signature.h"

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>

#include <memory>
#include <stdexcept>

namespace cardhost::sim {
namespace {

// "Tagwright test!!": a private scalar below the curve's order, published with the simulator.
constexpr std::array<std::uint8_t, 16> kTestPrivateKey = {
    0x54, 0x61, 0x67, 0x77, 0x72, 0x69, 0x67, 0x68, 0x74, 0x20, 0x74, 0x65, 0x73, 0x74, 0x21, 0x21};

struct BnFree {
    void operator()(BIGNUM* n) const { BN_free(n); }
};
struct BnCtxFree {
    void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};
struct GroupFree {
    void operator()(EC_GROUP* g) const { EC_GROUP_free(g); }
};
struct PointFree {
    void operator()(EC_POINT* p) const { EC_POINT_free(p); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;

void Check(bool ok) {
    if (!ok) throw std::runtime_error("the simulator's test signature could not be made");
}

Bn NewBn() {
    Bn n(BN_new());
    Check(n != nullptr);
    return n;
}

// The curve is made once (every simulated tag is signed as it is made); a context per use, as
// contexts are not to be shared between threads.
const EC_GROUP* Secp128r1() {
    static const std::unique_ptr<EC_GROUP, GroupFree> group(
        EC_GROUP_new_by_curve_name(NID_secp128r1));
    Check(group != nullptr);
    return group.get();
}

struct Curve {
    const EC_GROUP* group = Secp128r1();
    std::unique_ptr<BN_CTX, BnCtxFree> context{BN_CTX_new()};
    Bn order = NewBn();
    Curve() {
        Check(context != nullptr);
        Check(EC_GROUP_get_order(group, order.get(), context.get()) == 1);
    }
};

void ToBytes(const BIGNUM* n, std::uint8_t* out16) {
    Check(BN_bn2binpad(n, out16, 16) == 16);
}

}  // namespace

std::array<std::uint8_t, 33> TestSigningPublicKey() {
    Curve curve;
    Bn d(BN_bin2bn(kTestPrivateKey.data(), kTestPrivateKey.size(), nullptr));
    std::unique_ptr<EC_POINT, PointFree> q(EC_POINT_new(curve.group));
    Check(d && q);
    Check(EC_POINT_mul(curve.group, q.get(), d.get(), nullptr, nullptr, curve.context.get()) == 1);
    std::array<std::uint8_t, 33> key{};
    Check(EC_POINT_point2oct(curve.group, q.get(), POINT_CONVERSION_UNCOMPRESSED, key.data(),
                             key.size(), curve.context.get()) == key.size());
    return key;
}

std::array<std::uint8_t, 32> SignWithTestKey(const Uid& uid) {
    Curve curve;
    BN_CTX* ctx = curve.context.get();
    const BIGNUM* n = curve.order.get();
    Bn d(BN_bin2bn(kTestPrivateKey.data(), kTestPrivateKey.size(), nullptr));
    Bn e(BN_bin2bn(uid.data(), static_cast<int>(uid.size()), nullptr));
    Check(d && e);

    // k = SHA-256(d || uid) mod (n - 1) + 1: never zero, the same for the same UID.
    std::array<std::uint8_t, 16 + 7> seed{};
    std::copy(kTestPrivateKey.begin(), kTestPrivateKey.end(), seed.begin());
    std::copy(uid.begin(), uid.end(), seed.begin() + 16);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    Check(EVP_Digest(seed.data(), seed.size(), digest, &digestLength, EVP_sha256(), nullptr) == 1);
    Bn k(BN_bin2bn(digest, static_cast<int>(digestLength), nullptr));
    Bn nMinusOne(BN_dup(n));
    Check(k && nMinusOne && BN_sub_word(nMinusOne.get(), 1) == 1);
    Check(BN_nnmod(k.get(), k.get(), nMinusOne.get(), ctx) == 1 && BN_add_word(k.get(), 1) == 1);

    // r = x(kG) mod n; s = k^-1 (e + r d) mod n.
    std::unique_ptr<EC_POINT, PointFree> point(EC_POINT_new(curve.group));
    Bn x = NewBn(), r = NewBn(), s = NewBn(), rd = NewBn();
    Check(point != nullptr);
    Check(EC_POINT_mul(curve.group, point.get(), k.get(), nullptr, nullptr, ctx) == 1);
    Check(EC_POINT_get_affine_coordinates(curve.group, point.get(), x.get(), nullptr, ctx) == 1);
    Check(BN_nnmod(r.get(), x.get(), n, ctx) == 1);
    Check(BN_mod_mul(rd.get(), r.get(), d.get(), n, ctx) == 1);
    Check(BN_mod_add(s.get(), e.get(), rd.get(), n, ctx) == 1);
    Bn kInverse(BN_mod_inverse(nullptr, k.get(), n, ctx));
    Check(kInverse != nullptr);
    Check(BN_mod_mul(s.get(), s.get(), kInverse.get(), n, ctx) == 1);
    Check(!BN_is_zero(r.get()) && !BN_is_zero(s.get()));  // odds of about 2^-127

    std::array<std::uint8_t, 32> signature{};
    ToBytes(r.get(), signature.data());
    ToBytes(s.get(), signature.data() + 16);
    return signature;
}

}  // namespace cardhost::sim
