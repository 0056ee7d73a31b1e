// SPDX-License-Identifier: MIT
#include "originality.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>

namespace tagwright::tag {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Deleter<T, Free>>;

using KeyPtr = Owned<EVP_PKEY, EVP_PKEY_free>;
using KeyContextPtr = Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using ParamsPtr = Owned<OSSL_PARAM, OSSL_PARAM_free>;
using ParamBuilderPtr = Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using SignaturePtr = Owned<ECDSA_SIG, ECDSA_SIG_free>;

KeyPtr LoadPublicKey(const PublicKey& key) {
    ParamBuilderPtr builder(OSSL_PARAM_BLD_new());
    if (!builder ||
        !OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, "secp128r1",
                                         0) ||
        !OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, key.data(),
                                          key.size())) {
        return nullptr;
    }
    ParamsPtr params(OSSL_PARAM_BLD_to_param(builder.get()));
    KeyContextPtr context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) <= 0) return nullptr;
    EVP_PKEY* loaded = nullptr;
    // Refuses a point that is not on the curve.
    if (EVP_PKEY_fromdata(context.get(), &loaded, EVP_PKEY_PUBLIC_KEY, params.get()) <= 0) {
        return nullptr;
    }
    return KeyPtr(loaded);
}

// r and s as the DER sequence that OpenSSL verifies.
std::optional<std::basic_string<unsigned char>> DerSignature(const Signature& signature) {
    SignaturePtr sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(signature.data(), 16, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 16, 16, nullptr);
    if (!sig || !r || !s || !ECDSA_SIG_set0(sig.get(), r, s)) {
        BN_free(r);
        BN_free(s);
        return std::nullopt;
    }
    const int length = i2d_ECDSA_SIG(sig.get(), nullptr);
    if (length <= 0) return std::nullopt;
    std::basic_string<unsigned char> der(static_cast<std::size_t>(length), 0);
    unsigned char* out = der.data();
    if (i2d_ECDSA_SIG(sig.get(), &out) != length) return std::nullopt;
    return der;
}

}  // namespace

bool HasSignature(ModelCode model) {
    return model == kNtag210 || model == kNtag212 || model == kNtag213 || model == kNtag215 ||
           model == kNtag216;
}

std::optional<bool> SignatureMatches(const Uid& uid, const Signature& signature,
                                     const PublicKey& key) {
    // Whatever the outcome, no error is left queued for the next caller of the library.
    struct ClearErrors {
        ~ClearErrors() { ERR_clear_error(); }
    } clearErrors;
    const KeyPtr publicKey = LoadPublicKey(key);
    if (!publicKey) return std::nullopt;
    const auto der = DerSignature(signature);
    KeyContextPtr context(EVP_PKEY_CTX_new_from_pkey(nullptr, publicKey.get(), nullptr));
    if (!der || !context || EVP_PKEY_verify_init(context.get()) <= 0) return std::nullopt;
    // No digest is set: the UID is the value signed, as the chip's maker signs it. A signature
    // OpenSSL finds malformed (r or s zero) is no match either.
    return EVP_PKEY_verify(context.get(), der->data(), der->size(), uid.data(), uid.size()) == 1;
}

Result<std::optional<Signature>> ReadSignature(TagLink link, ModelCode model) {
    if (!HasSignature(model)) return std::optional<Signature>();
    Signature signature{};
    std::uint8_t length = 0;
    const std::int32_t status = link.api.TyA_NTAG_ReadSig(link.handle, signature.data(), &length);
    if (status != 0) return CallFailure("TyA_NTAG_ReadSig", status);
    return std::optional<Signature>(signature);
}

Result<std::optional<bool>> CheckGenuine(TagLink link, DetectedTag& tag) {
    const auto signature = ReadSignature(link, tag.model);
    if (!signature) {
        if (!IsNak(signature.failure().status)) return signature.failure();
        const char* failed = nullptr;
        if (const auto status = Reselect(link, tag, failed); status != 0) {
            return CallFailure(failed, status);
        }
        // An authentication made before is gone with that selection.
        tag.reselected = true;
        return std::optional<bool>(false);
    }
    if (!*signature) return std::optional<bool>();
    return SignatureMatches(tag.uid, **signature, kNxpNtag21xKey);
}

}  // namespace tagwright::tag
