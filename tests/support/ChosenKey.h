#pragma once

#include "support/RecorderCrypto.h"

// What a forger can do with RSA when the verifier takes the key from the
// file: for a signature value he must reuse (say, a value the tag vouches
// for) and content of his own, he picks the key. The modulus is a prime p
// with p - 1 a product of small primes, so the discrete logarithm that gives
// the exponent is easy (Pohlig-Hellman); no private key is involved.
namespace recorder {

// A DER SubjectPublicKeyInfo of an RSA key under which `signature` is a
// valid RSASSA-PKCS1-v1_5 signature with SHA-256 over `message`. The
// modulus has as many bytes as `signature` (at least 62). Deterministic.
// Throws std::runtime_error when no key is found.
Bytes chooseKeyFor(const Bytes& signature, const Bytes& message);

}  // namespace recorder
