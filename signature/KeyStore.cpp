#include "signature/KeyStore.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <set>
#include <utility>

#include "signature/BuiltInKeys.h"
#include "signature/Hex.h"
#include "signature/RecordingEvidence.h"
#include "signature/Sha256.h"

namespace nvr {

namespace {

const char kBuiltInSource[] = "built-in";

std::string hexOf(const unsigned char* data, size_t size) {
    return hexBytes(std::string_view(reinterpret_cast<const char*>(data), size));
}

ByteBuffer bytesOf(KeyBytes key) {
    return ByteBuffer(key.data, key.data + key.size);
}

std::string readStoreFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throw KeyStoreError(path + ": the key store cannot be read");
    }
    if (!S_ISREG(info.st_mode)) {
        throw KeyStoreError(path + ": the key store is not a regular file");
    }
    if (info.st_size > kMaxKeyStoreBytes) {
        throw KeyStoreError(path + ": the key store is larger than " +
                            std::to_string(kMaxKeyStoreBytes) + " bytes");
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        throw KeyStoreError(path + ": the key store cannot be read");
    }
    if (static_cast<int64_t>(text.size()) > kMaxKeyStoreBytes) {
        throw KeyStoreError(path + ": the key store grew while it was read");
    }
    return text;
}

}  // namespace

const char* keyKindCode(KeyKind kind) {
    return kind == KeyKind::Rsa ? "rsa" : "hmac";
}

const char* keyStatusCode(KeyStatus status) {
    switch (status) {
        case KeyStatus::Retired:
            return "retired";
        case KeyStatus::Revoked:
            return "revoked";
        case KeyStatus::Active:
            break;
    }
    return "active";
}

std::shared_ptr<EVP_PKEY> parsedPublicKey(const ByteBuffer& der) {
    const unsigned char* cursor = der.data();
    EVP_PKEY* const key = d2i_PUBKEY(nullptr, &cursor, static_cast<long>(der.size()));
    ERR_clear_error();
    return key != nullptr ? std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free) : nullptr;
}

std::string rsaKeyId(const ByteBuffer& der) {
    return "sha256:" + sha256Hex(der.data(), der.size());
}

// A keyed digest of a fixed text: it tells keys apart and shows nothing of
// the secret, as a key check value does.
std::string hmacKeyId(const ByteBuffer& secret) {
    static const char kCheckText[] = "telvar key check value";
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (secret.empty() ||
        HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
             reinterpret_cast<const unsigned char*>(kCheckText), sizeof kCheckText - 1, mac,
             &length) == nullptr) {
        throw KeyStoreError("an HMAC key's check value cannot be computed");
    }
    return "hmac:" + hexOf(mac, 16);
}

KeyStore KeyStore::builtIn() {
    KeyStore store;
    for (const KeyKind kind : {KeyKind::Rsa, KeyKind::Hmac}) {
        const bool rsa = kind == KeyKind::Rsa;
        TrustedKey key;
        key.kind = kind;
        key.id = rsa ? rsaKeyId(bytesOf(builtInPublicKey())) : hmacKeyId(bytesOf(builtInHmacKey()));
        if (rsa) {
            key.publicKey = parsedPublicKey(bytesOf(builtInPublicKey()));
        }
        key.label = rsa ? "built-in RSA key" : "built-in HMAC key";
        key.builtIn = true;
        key.source = kBuiltInSource;
        store.entries.push_back(std::move(key));
    }
    return store;
}

KeyStore KeyStore::load(const std::vector<std::string>& files) {
    KeyStore store = builtIn();
    std::string hashes;
    for (const std::string& path : files) {
        const KeyStore one = parse(readStoreFile(path), path);
        hashes += one.sha256() + "\n";
        for (const TrustedKey& key : one.entries) {
            if (key.builtIn) {
                store.amendBuiltIn(key);
            } else {
                store.add(key);
            }
        }
        store.paths.push_back(path);
    }
    if (files.size() == 1) {
        hashes.pop_back();
        store.hash = hashes;
    } else if (!files.empty()) {
        store.hash = sha256Hex(hashes.data(), hashes.size());
    }
    return store;
}

void KeyStore::add(TrustedKey key) {
    if (const TrustedKey* const same = find(key.id)) {
        throw KeyStoreError(key.source + ":" + std::to_string(key.line) + ": the key " + key.id +
                            " is already in the store (" + same->source + ":" +
                            std::to_string(same->line) + ")");
    }
    if (entries.size() >= kMaxKeyStoreEntries) {
        throw KeyStoreError(key.source + ":" + std::to_string(key.line) + ": more than " +
                            std::to_string(kMaxKeyStoreEntries) + " keys");
    }
    entries.push_back(std::move(key));
}

// An entry naming a built-in key changes what the store says of it; the key
// itself stays the one compiled in.
void KeyStore::amendBuiltIn(const TrustedKey& amendment) {
    for (TrustedKey& key : entries) {
        if (key.builtIn && key.kind == amendment.kind) {
            if (key.line != 0) {
                throw KeyStoreError(amendment.source + ":" + std::to_string(amendment.line) +
                                    ": the built-in " + keyKindCode(key.kind) +
                                    " key is already described (" + key.source + ":" +
                                    std::to_string(key.line) + ")");
            }
            const std::string id = key.id;
            const std::shared_ptr<EVP_PKEY> parsed = key.publicKey;
            key = amendment;
            key.id = id;
            key.publicKey = parsed;
            key.material.clear();
            if (key.label.empty()) {
                key.label = key.kind == KeyKind::Rsa ? "built-in RSA key" : "built-in HMAC key";
            }
            return;
        }
    }
}

const TrustedKey* KeyStore::find(const std::string& id) const {
    for (const TrustedKey& key : entries) {
        if (key.id == id) {
            return &key;
        }
    }
    return nullptr;
}

std::string KeyStore::description() const {
    std::string text;
    for (const std::string& path : paths) {
        text += (text.empty() ? "" : ", ") + path;
    }
    return (text.empty() ? std::string("built-in keys only") : text) + " (" +
           std::to_string(entries.size()) + " keys)";
}

std::string validityWindowText(const TrustedKey& key) {
    if (key.validFrom.empty() && key.validUntil.empty()) {
        return "any time";
    }
    return (key.validFrom.empty() ? "…" : key.validFrom) + " to " +
           (key.validUntil.empty() ? "…" : key.validUntil);
}

KeyValidity validityOf(const TrustedKey& key, const std::string& statedStart,
                       const std::string& statedEnd, int64_t validationTime) {
    const std::optional<int64_t> start = tagTimeSeconds(statedStart);
    const std::optional<int64_t> end = tagTimeSeconds(statedEnd);
    if (key.status == KeyStatus::Revoked) {
        const std::optional<int64_t> revoked = tagTimeSeconds(key.revokedAt);
        // A date that does not read counts as revoked from the first.
        if (!revoked || (*revoked <= validationTime &&
                         (!start || !end || *start >= *revoked || *end > *revoked))) {
            return KeyValidity::RevokedBefore;
        }
    }
    if (!key.validFrom.empty() || !key.validUntil.empty()) {
        if (!start || !end) {
            return KeyValidity::Outside;
        }
        const std::optional<int64_t> from = tagTimeSeconds(key.validFrom);
        const std::optional<int64_t> until = tagTimeSeconds(key.validUntil);
        if ((from && *start < *from) || (until && *end > *until)) {
            return KeyValidity::Outside;
        }
    }
    return KeyValidity::Inside;
}

std::optional<int64_t> validationTimeOf(const std::string& text) {
    if (text.size() == 20 && text[10] == 'T' && text[19] == 'Z') {
        return tagTimeSeconds(text.substr(0, 10) + " " + text.substr(11, 8));
    }
    return tagTimeSeconds(text);
}

}  // namespace nvr
