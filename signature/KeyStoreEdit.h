#pragma once

#include <string>
#include <vector>

// Changes to a key store file as edits of its text, so that its comments
// and layout stay; each new text is read whole (KeyStore::parse) before it
// is written, and written to a temporary file renamed over the store.
namespace nvr {

struct NewKey {
    std::string pem;  // an RSA public key, "-----BEGIN PUBLIC KEY-----"
    std::string label;
    std::vector<std::string> recorders;
    std::string validFrom;  // "YYYY-MM-DD hh:mm:ss", or empty
    std::string validUntil;
};

// The store's text after the change; `path` names it in refusals and finds
// secret files. Throw KeyStoreError, naming the line, when the change or
// the text it gives would not be read.
std::string withKeyAdded(const std::string& text, const std::string& path, const NewKey& key,
                         const std::string& addedAt);
std::string withKeyRetired(const std::string& text, const std::string& path,
                           const std::string& id, const std::string& at);
std::string withKeyRevoked(const std::string& text, const std::string& path,
                           const std::string& id, const std::string& at,
                           const std::string& reason);

// The store's text; empty when there is no file yet. Throws KeyStoreError.
std::string readKeyStoreText(const std::string& path);
// Replaces the store with `text` at once: a temporary file beside it,
// flushed, then renamed over it (its folder made, owner-only, when
// missing). Throws KeyStoreError.
void writeKeyStoreText(const std::string& path, const std::string& text);

// `text` as a TOML basic string, quotes included.
std::string tomlQuoted(const std::string& text);

}  // namespace nvr
