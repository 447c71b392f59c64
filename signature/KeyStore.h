#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <openssl/types.h>

#include "container/MkvPayload.h"

// The recorder keys an examiner trusts (docs/key-store.md): the built-in
// keys first, then the entries of the store files, each with a computed id,
// a label, the recorders it is for, a validity window compared with the
// recording's stated time, and a status.
namespace nvr {

enum class KeyKind : uint8_t { Rsa, Hmac };
enum class KeyStatus : uint8_t { Active, Retired, Revoked };

// "rsa", "hmac"; "active", "retired", "revoked".
const char* keyKindCode(KeyKind kind);
const char* keyStatusCode(KeyStatus status);

struct TrustedKey {
    KeyKind kind = KeyKind::Rsa;
    // "sha256:" and the SHA-256 of the DER SubjectPublicKeyInfo (RSA), or
    // "hmac:" and a check value derived from the secret: computed, never read.
    std::string id;
    std::string label;
    std::vector<std::string> recorders;  // serial numbers; empty: any
    // "YYYY-MM-DD hh:mm:ss", as the recorder states its time; empty: open.
    std::string validFrom;
    std::string validUntil;
    KeyStatus status = KeyStatus::Active;
    std::string revokedAt;  // with Revoked
    std::string reason;
    bool builtIn = false;
    // The DER SubjectPublicKeyInfo, or the HMAC secret; empty for a built-in
    // key (the walk's built-in key).
    ByteBuffer material;
    // An RSA key parsed once, when the store is read: the tag is tried with
    // every key, and parsing is most of an RSA check's cost.
    std::shared_ptr<EVP_PKEY> publicKey;
    std::string source;  // the store file, or "built-in"
    int64_t line = 0;    // of its [[key]] header; 0 built-in
};

// A store that cannot be used, with the file and line that say why.
class KeyStoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Inputs larger than this are refused before they are parsed.
constexpr int64_t kMaxKeyStoreBytes = int64_t{1} << 20;
constexpr size_t kMaxKeyStoreEntries = 4096;

class KeyStore {
  public:
    // The built-in RSA and HMAC keys only.
    static KeyStore builtIn();
    // The built-in keys, then every file in order. Throws KeyStoreError: a
    // store is used whole or not at all.
    static KeyStore load(const std::vector<std::string>& paths);
    // One store's text, as read from `name` (secret files are found beside
    // `name`). Throws KeyStoreError.
    static KeyStore parse(const std::string& text, const std::string& name);

    const std::vector<TrustedKey>& keys() const { return entries; }
    const TrustedKey* find(const std::string& id) const;
    // SHA-256 of the one store file's bytes; of several, of their hashes
    // one a line; empty with the built-in keys only.
    const std::string& sha256() const { return hash; }
    const std::vector<std::string>& files() const { return paths; }
    // "built-in keys only", or the files, and the number of keys.
    std::string description() const;

  private:
    void add(TrustedKey key);
    void amendBuiltIn(const TrustedKey& amendment);

    std::vector<TrustedKey> entries;
    std::string hash;
    std::vector<std::string> paths;
};

// "any time", or "FROM to UNTIL" with "…" for an open end: as listings show it.
std::string validityWindowText(const TrustedKey& key);

// The DER SubjectPublicKeyInfo parsed, or null.
std::shared_ptr<EVP_PKEY> parsedPublicKey(const ByteBuffer& der);

// The id of a DER SubjectPublicKeyInfo, and the check value of an HMAC secret.
std::string rsaKeyId(const ByteBuffer& der);
std::string hmacKeyId(const ByteBuffer& secret);

// Where a recording's stated time lies for a key that verified it.
enum class KeyValidity : uint8_t {
    Inside,        // in its window, not revoked by then
    Outside,       // before valid_from or after valid_until
    RevokedBefore  // revoked at or before the stated time, and by the validation time
};
// `validationTime` is seconds since 1970 (UTC); a revocation dated after it
// is not yet in effect. Times that do not read count as outside the window.
KeyValidity validityOf(const TrustedKey& key, const std::string& statedStart,
                       const std::string& statedEnd, int64_t validationTime);

// "YYYY-MM-DDThh:mm:ssZ" or "YYYY-MM-DD hh:mm:ss" (UTC) as seconds since
// 1970; none for any other text.
std::optional<int64_t> validationTimeOf(const std::string& text);

}  // namespace nvr
