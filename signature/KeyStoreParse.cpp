// The key store's text: TOML, read whole or refused with the line that says
// why (docs/key-store.md). Every entry is checked before any is kept.
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <sys/stat.h>
#include <toml++/toml.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string_view>

#include "signature/KeyStore.h"
#include "signature/RecordingEvidence.h"
#include "signature/Sha256.h"
#include "signature/SslPtr.h"

namespace nvr {

namespace {

constexpr size_t kMaxLabelBytes = 200;
constexpr size_t kMaxRecorders = 1000;
constexpr int64_t kMaxSecretBytes = 1024;
constexpr int kMinRsaBits = 2048;

using BioPtr = std::unique_ptr<BIO, SslDeleter<BIO_free>>;

// Reads one entry, naming the store and the entry's line in every refusal.
class EntryReader {
  public:
    EntryReader(const toml::table& fields, const std::string& storeName, int64_t headerLine)
        : table(fields), store(storeName), line(headerLine) {}

    [[noreturn]] void refuse(const std::string& why, const toml::node* at = nullptr) const {
        const int64_t where =
            at != nullptr && at->source().begin.line != 0 ? at->source().begin.line : line;
        throw KeyStoreError(store + ":" + std::to_string(where) + ": " + why);
    }

    std::optional<std::string> text(std::string_view name) const {
        const toml::node* const node = table.get(name);
        if (node == nullptr) {
            return std::nullopt;
        }
        const auto* const value = node->as_string();
        if (value == nullptr) {
            refuse(std::string(name) + " must be a text in quotes", node);
        }
        return value->get();
    }

    // A time as the recorder states its own: a TOML local date-time or date,
    // or a text "YYYY-MM-DD hh:mm:ss"; empty when absent.
    std::string time(std::string_view name) const {
        const toml::node* const node = table.get(name);
        if (node == nullptr) {
            return std::string();
        }
        std::string text;
        if (const auto* const s = node->as_string()) {
            text = s->get();
        } else if (const auto* const d = node->as_date()) {
            text = formatted(d->get(), toml::time{});
        } else if (const auto* const dt = node->as_date_time()) {
            if (dt->get().offset) {
                refuse(std::string(name) +
                           " has a time zone, but a recorder states its time without one: "
                           "give it as \"YYYY-MM-DD hh:mm:ss\"",
                       node);
            }
            text = formatted(dt->get().date, dt->get().time);
        }
        if (!tagTimeSeconds(text)) {
            refuse(std::string(name) + " must be a time \"YYYY-MM-DD hh:mm:ss\"", node);
        }
        return text;
    }

    std::vector<std::string> recorders() const {
        std::vector<std::string> serials;
        const toml::node* const node = table.get("recorders");
        if (node == nullptr) {
            return serials;
        }
        const auto* const array = node->as_array();
        if (array == nullptr || array->size() > kMaxRecorders) {
            refuse("recorders must be a list of at most " + std::to_string(kMaxRecorders) +
                       " serial numbers in quotes",
                   node);
        }
        for (const toml::node& serial : *array) {
            const auto* const value = serial.as_string();
            if (value == nullptr || value->get().empty()) {
                refuse("recorders must be a list of serial numbers in quotes", &serial);
            }
            serials.push_back(value->get());
        }
        return serials;
    }

    const toml::node* node(std::string_view name) const { return table.get(name); }

  private:
    static std::string formatted(const toml::date& d, const toml::time& t) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{d.year},
                      unsigned{d.month}, unsigned{d.day}, unsigned{t.hour}, unsigned{t.minute},
                      unsigned{t.second});
        return buffer;
    }

    const toml::table& table;
    const std::string& store;
    int64_t line;
};

// The DER SubjectPublicKeyInfo of a PEM public RSA key of at least 2048 bits.
ByteBuffer rsaPublicKey(const std::string& pem, const EntryReader& entry) {
    const BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    const EvpPkeyPtr key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr)
                             : nullptr);
    ERR_clear_error();
    if (!key) {
        entry.refuse("public_key is not a PEM public key (\"-----BEGIN PUBLIC KEY-----\")",
                     entry.node("public_key"));
    }
    if (EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) {
        entry.refuse("public_key is not an RSA key", entry.node("public_key"));
    }
    if (EVP_PKEY_get_bits(key.get()) < kMinRsaBits) {
        entry.refuse("public_key has fewer than " + std::to_string(kMinRsaBits) +
                         " bits: anyone could forge its signatures",
                     entry.node("public_key"));
    }
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key.get(), &der);
    if (length <= 0 || der == nullptr) {
        entry.refuse("public_key cannot be encoded", entry.node("public_key"));
    }
    ByteBuffer bytes(der, der + length);
    OPENSSL_free(der);
    return bytes;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The secret from a file only its owner may read, beside the store unless
// the path is absolute.
ByteBuffer hmacSecret(const std::string& name, const std::string& store,
                      const EntryReader& entry) {
    const toml::node* const at = entry.node("hmac_secret_file");
    if (name.empty()) {
        entry.refuse("hmac_secret_file is empty", at);
    }
    const std::string path = name.front() == '/' ? name : folderOf(store) + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        entry.refuse("the HMAC secret file " + path + " cannot be read", at);
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        entry.refuse("the HMAC secret file " + path +
                         " may be read or changed by others than its owner: make it "
                         "owner-only (chmod 600)",
                     at);
    }
    if (info.st_size <= 0 || info.st_size > kMaxSecretBytes) {
        entry.refuse("the HMAC secret file " + path + " must hold 1 to " +
                         std::to_string(kMaxSecretBytes) + " bytes",
                     at);
    }
    std::ifstream in(path, std::ios::binary);
    ByteBuffer secret((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (secret.empty() || static_cast<int64_t>(secret.size()) > kMaxSecretBytes) {
        entry.refuse("the HMAC secret file " + path + " cannot be read", at);
    }
    return secret;
}

const std::set<std::string_view>& knownFields() {
    static const std::set<std::string_view> fields{
        "label",       "public_key", "hmac_secret_file", "builtin", "recorders",
        "valid_from",  "valid_until", "status",          "revoked_at", "reason"};
    return fields;
}

TrustedKey entryOf(const toml::table& table, const std::string& store, int64_t line) {
    const EntryReader entry(table, store, line);
    for (const auto& [name, value] : table) {
        if (name.str() == "id") {
            entry.refuse("a key's id is computed from the key, never written in the store", &value);
        }
        if (knownFields().count(name.str()) == 0) {
            entry.refuse("unknown field \"" + std::string(name.str()) + "\"", &value);
        }
    }
    TrustedKey key;
    key.source = store;
    key.line = line;
    key.label = entry.text("label").value_or(std::string());
    const std::optional<std::string> pem = entry.text("public_key");
    const std::optional<std::string> secretFile = entry.text("hmac_secret_file");
    const std::optional<std::string> builtIn = entry.text("builtin");
    if (int{pem.has_value()} + int{secretFile.has_value()} + int{builtIn.has_value()} != 1) {
        entry.refuse("an entry has exactly one of public_key, hmac_secret_file and builtin");
    }
    if (builtIn) {
        if (*builtIn != "rsa" && *builtIn != "hmac") {
            entry.refuse("builtin must be \"rsa\" or \"hmac\"", entry.node("builtin"));
        }
        key.builtIn = true;
        key.kind = *builtIn == "rsa" ? KeyKind::Rsa : KeyKind::Hmac;
    } else {
        if (key.label.empty()) {
            entry.refuse("an entry needs a label: who holds the key");
        }
        key.kind = pem ? KeyKind::Rsa : KeyKind::Hmac;
        key.material = pem ? rsaPublicKey(*pem, entry) : hmacSecret(*secretFile, store, entry);
        key.id = pem ? rsaKeyId(key.material) : hmacKeyId(key.material);
        if (pem) {
            key.publicKey = parsedPublicKey(key.material);
        }
    }
    if (key.label.size() > kMaxLabelBytes) {
        entry.refuse("label is longer than " + std::to_string(kMaxLabelBytes) + " bytes",
                     entry.node("label"));
    }
    key.recorders = entry.recorders();
    key.validFrom = entry.time("valid_from");
    key.validUntil = entry.time("valid_until");
    if (!key.validFrom.empty() && !key.validUntil.empty() &&
        *tagTimeSeconds(key.validFrom) > *tagTimeSeconds(key.validUntil)) {
        entry.refuse("valid_from is after valid_until", entry.node("valid_until"));
    }
    const std::string status = entry.text("status").value_or("active");
    key.revokedAt = entry.time("revoked_at");
    key.reason = entry.text("reason").value_or(std::string());
    if (status == "revoked") {
        key.status = KeyStatus::Revoked;
        if (key.revokedAt.empty() || key.reason.empty()) {
            entry.refuse("a revoked key needs revoked_at and reason", entry.node("status"));
        }
    } else if (status == "active" || status == "retired") {
        key.status = status == "active" ? KeyStatus::Active : KeyStatus::Retired;
        if (!key.revokedAt.empty()) {
            entry.refuse("revoked_at is given, but the status is " + status,
                         entry.node("revoked_at"));
        }
    } else {
        entry.refuse("status must be \"active\", \"retired\" or \"revoked\"",
                     entry.node("status"));
    }
    return key;
}

// A private key pasted in by mistake is refused wherever it stands, a
// comment included: the store is shared, the key must not be.
void refusePrivateKey(const std::string& text, const std::string& store) {
    const size_t at = text.find("PRIVATE KEY");
    if (at == std::string::npos) {
        return;
    }
    const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    throw KeyStoreError(store + ":" + std::to_string(line) +
                        ": the store holds a private key: a store holds public keys only. "
                        "Remove it, and keep the private key with the recorder's owner");
}

}  // namespace

KeyStore KeyStore::parse(const std::string& text, const std::string& name) {
    if (static_cast<int64_t>(text.size()) > kMaxKeyStoreBytes) {
        throw KeyStoreError(name + ": the key store is larger than " +
                            std::to_string(kMaxKeyStoreBytes) + " bytes");
    }
    refusePrivateKey(text, name);
    toml::table document;
    try {
        document = toml::parse(std::string_view(text), name);
    } catch (const toml::parse_error& e) {
        throw KeyStoreError(name + ":" + std::to_string(e.source().begin.line) + ": " +
                            std::string(e.description()));
    }
    KeyStore store;
    store.hash = sha256Hex(text.data(), text.size());
    std::set<KeyKind> amended;
    for (const auto& [field, value] : document) {
        const auto line = static_cast<int64_t>(value.source().begin.line);
        const auto* const list = value.as_array();
        if (field.str() != "key" || list == nullptr || !list->is_array_of_tables()) {
            throw KeyStoreError(name + ":" + std::to_string(line) + ": unknown field \"" +
                                std::string(field.str()) + "\": a store holds [[key]] entries");
        }
        for (const toml::node& element : *list) {
            TrustedKey key = entryOf(*element.as_table(), name,
                                     static_cast<int64_t>(element.source().begin.line));
            if (key.builtIn) {
                if (!amended.insert(key.kind).second) {
                    throw KeyStoreError(name + ":" + std::to_string(key.line) +
                                        ": the built-in key is described twice");
                }
                store.entries.push_back(std::move(key));
            } else {
                store.add(std::move(key));
            }
        }
    }
    return store;
}

}  // namespace nvr
