#include "support/ChosenKey.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

namespace recorder {

namespace {

struct BnFree {
    void operator()(BIGNUM* n) const { BN_free(n); }
};
struct CtxFree {
    void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};
struct BldFree {
    void operator()(OSSL_PARAM_BLD* b) const { OSSL_PARAM_BLD_free(b); }
};
struct ParamFree {
    void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); }
};
struct PctxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;

Bn bn() {
    Bn n(BN_new());
    if (!n) {
        throw std::runtime_error("out of memory");
    }
    return n;
}

Bn bnOf(const Bytes& bytes) {
    Bn n(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
    if (!n) {
        throw std::runtime_error("out of memory");
    }
    return n;
}

void check(int ok) {
    if (ok != 1) {
        throw std::runtime_error("big-number arithmetic failed");
    }
}

// The PKCS#1 v1.5 encoding of SHA-256(message) in `size` bytes.
Bytes encoded(const Bytes& message, size_t size) {
    static const uint8_t kSha256Info[] = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60,
                                          0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02,
                                          0x01, 0x05, 0x00, 0x04, 0x20};
    Bytes digest(32);
    unsigned int length = 0;
    check(
        EVP_Digest(message.data(), message.size(), digest.data(), &length, EVP_sha256(), nullptr));
    const size_t info = sizeof kSha256Info + digest.size();
    if (size < info + 11) {
        throw std::runtime_error("signature too short for SHA-256");
    }
    Bytes em(size, 0xFF);
    em[0] = 0x00;
    em[1] = 0x01;
    em[size - info - 1] = 0x00;
    std::copy(std::begin(kSha256Info), std::end(kSha256Info), em.end() - static_cast<long>(info));
    std::copy(digest.begin(), digest.end(), em.end() - static_cast<long>(digest.size()));
    return em;
}

std::vector<BN_ULONG> smallPrimes(BN_ULONG below) {
    std::vector<bool> composite(below, false);
    std::vector<BN_ULONG> primes;
    for (BN_ULONG n = 3; n < below; n += 2) {
        if (!composite[n]) {
            primes.push_back(n);
            for (BN_ULONG m = n * n; m < below; m += 2 * n) {
                composite[m] = true;
            }
        }
    }
    return primes;
}

Bytes spkiOf(const BIGNUM* n, const BIGNUM* e) {
    std::unique_ptr<OSSL_PARAM_BLD, BldFree> build(OSSL_PARAM_BLD_new());
    check(build ? 1 : 0);
    check(OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, n));
    check(OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, e));
    std::unique_ptr<OSSL_PARAM, ParamFree> params(OSSL_PARAM_BLD_to_param(build.get()));
    std::unique_ptr<EVP_PKEY_CTX, PctxFree> ctx(
        EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    check(params && ctx ? 1 : 0);
    EVP_PKEY* raw = nullptr;
    check(EVP_PKEY_fromdata_init(ctx.get()));
    check(EVP_PKEY_fromdata(ctx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params.get()));
    const PkeyPtr key(raw);
    const int length = i2d_PUBKEY(key.get(), nullptr);
    check(length > 0 ? 1 : 0);
    Bytes der(static_cast<size_t>(length));
    unsigned char* cursor = der.data();
    check(i2d_PUBKEY(key.get(), &cursor) == length ? 1 : 0);
    return der;
}

bool verifies(const Bytes& der, const Bytes& signature, const Bytes& message) {
    const unsigned char* cursor = der.data();
    const PkeyPtr key(d2i_PUBKEY(nullptr, &cursor, static_cast<long>(der.size())));
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    return key && ctx &&
           EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
           EVP_DigestVerify(ctx.get(), signature.data(), signature.size(), message.data(),
                            message.size()) == 1;
}

}  // namespace

Bytes chooseKeyFor(const Bytes& signature, const Bytes& message) {
    const int bits = static_cast<int>(signature.size() * 8);
    const Bn s = bnOf(signature);
    const Bn m = bnOf(encoded(message, signature.size()));
    const std::unique_ptr<BN_CTX, CtxFree> ctx(BN_CTX_new());
    check(ctx ? 1 : 0);
    std::vector<BN_ULONG> primes = smallPrimes(4096);
    std::mt19937 random(26);
    for (int attempt = 0; attempt < 20000; ++attempt) {
        // p - 1 = 2 * (distinct small odd primes), of `bits` bits.
        std::shuffle(primes.begin(), primes.end(), random);
        const Bn p = bn();
        check(BN_set_word(p.get(), 2));
        std::vector<BN_ULONG> factors{2};
        for (size_t i = 0; BN_num_bits(p.get()) < bits && i < primes.size(); ++i) {
            check(BN_mul_word(p.get(), primes[i]));
            factors.push_back(primes[i]);
        }
        check(BN_add_word(p.get(), 1));
        if (BN_num_bits(p.get()) != bits || BN_cmp(p.get(), s.get()) <= 0 ||
            BN_check_prime(p.get(), ctx.get(), nullptr) != 1) {
            continue;
        }
        // e with s^e = m (mod p), one prime factor q of p - 1 at a time.
        const Bn order = bn();
        check(BN_sub(order.get(), p.get(), BN_value_one()) == 1 ? 1 : 0);
        const Bn e = bn();
        BN_zero(e.get());
        bool found = true;
        for (const BN_ULONG q : factors) {
            const Bn cofactor(BN_dup(order.get()));
            check(cofactor ? 1 : 0);
            BN_div_word(cofactor.get(), q);
            const Bn g = bn();
            const Bn h = bn();
            check(BN_mod_exp(g.get(), s.get(), cofactor.get(), p.get(), ctx.get()));
            check(BN_mod_exp(h.get(), m.get(), cofactor.get(), p.get(), ctx.get()));
            const Bn power = bn();
            check(BN_one(power.get()));
            BN_ULONG x = 0;
            while (x < q && BN_cmp(power.get(), h.get()) != 0) {
                check(BN_mod_mul(power.get(), power.get(), g.get(), p.get(), ctx.get()));
                ++x;
            }
            if (x == q) {
                found = false;  // m is not a power of s modulo p
                break;
            }
            // e += x * cofactor * (cofactor^-1 mod q)
            const Bn qBn = bn();
            check(BN_set_word(qBn.get(), q));
            const Bn inverse(BN_mod_inverse(nullptr, cofactor.get(), qBn.get(), ctx.get()));
            check(inverse ? 1 : 0);
            const Bn term = bn();
            check(BN_mul(term.get(), cofactor.get(), inverse.get(), ctx.get()));
            check(BN_mul_word(term.get(), x));
            check(BN_mod_add(e.get(), e.get(), term.get(), order.get(), ctx.get()));
        }
        if (!found || BN_is_zero(e.get()) || BN_is_one(e.get())) {
            continue;
        }
        Bytes der = spkiOf(p.get(), e.get());
        if (verifies(der, signature, message)) {
            return der;
        }
    }
    throw std::runtime_error("no key found for the signature");
}

}  // namespace recorder
