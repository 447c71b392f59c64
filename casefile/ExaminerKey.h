#pragma once

#include <string>

#include "signature/SslPtr.h"

// An examiner's Ed25519 signing key: made on first use and kept in that
// examiner's own settings folder, readable by its owner only. Seals of the
// custody log are signed with it (docs/case-file.md).
class ExaminerKey {
  public:
    // Loads the private key at `path`, or makes one there (its folder 0700,
    // the file 0600) when there is none. Throws CaseError when the file
    // cannot be read or made, is not an Ed25519 key, or others than its
    // owner may read it.
    static ExaminerKey loadOrCreate(const std::string& path);

    // Where the key is kept: $TELVAR_EXAMINER_KEY when set, otherwise
    // telvar/examiner-ed25519.pem in $XDG_CONFIG_HOME (or ~/.config).
    static std::string defaultPath();

    // The raw 32 bytes of the public key in lower-case hex.
    const std::string& publicKeyHex() const { return publicHex; }
    // SHA-256 of the raw public key, lower-case hex.
    const std::string& fingerprint() const { return print; }
    // The Ed25519 signature of `message` in lower-case hex (128 digits).
    std::string sign(const std::string& message) const;

  private:
    explicit ExaminerKey(EvpPkeyPtr key);
    EvpPkeyPtr key;
    std::string publicHex;
    std::string print;
};

// The fingerprint of a public key given as raw hex; empty when the text is
// not 64 hex digits.
std::string keyFingerprint(const std::string& publicKeyHex);

// Whether `signatureHex` is the Ed25519 signature of `message` by the raw
// public key `publicKeyHex`. False for anything malformed.
bool verifySignature(const std::string& publicKeyHex, const std::string& message,
                     const std::string& signatureHex);
