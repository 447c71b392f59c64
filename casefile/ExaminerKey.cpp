#include "casefile/ExaminerKey.h"

#include <fcntl.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "casefile/CaseError.h"
#include "report/Escape.h"
#include "signature/Hex.h"
#include "signature/KeyStorePaths.h"
#include "signature/Sha256.h"

namespace {

using BioPtr = std::unique_ptr<BIO, SslDeleter<BIO_free>>;
constexpr size_t kKeyBytes = 32;
constexpr size_t kSignatureBytes = 64;

[[noreturn]] void fail(const std::string& path, const std::string& why) {
    throw CaseError(CaseErrorKind::Io,
                    "the examiner's key " + displayText(path) + " " + why);
}

// The file descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::string rawPublicKey(EVP_PKEY* key) {
    std::array<unsigned char, kKeyBytes> raw{};
    size_t size = raw.size();
    if (EVP_PKEY_get_raw_public_key(key, raw.data(), &size) != 1 || size != raw.size()) {
        return std::string();
    }
    return std::string(reinterpret_cast<const char*>(raw.data()), size);
}

// Makes the folder (and those above it) when missing, for the owner only.
void makeFolder(const std::string& folder, const std::string& keyPath) {
    if (folder.empty() || ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) {
        return;
    }
    if (errno == ENOENT) {
        const size_t slash = folder.find_last_of('/');
        if (slash != std::string::npos && slash > 0) {
            makeFolder(folder.substr(0, slash), keyPath);
            if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) {
                return;
            }
        }
    }
    fail(keyPath, "cannot be made: its folder cannot be made (" + std::string(std::strerror(errno)) + ")");
}

std::string pemOf(EVP_PKEY* key) {
    const BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        return std::string();
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return size > 0 ? std::string(data, static_cast<size_t>(size)) : std::string();
}

// Writes a new key beside `path` and links it into place, so two programs
// making one at once both end with the same key and nobody reads half a file.
void createKey(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    makeFolder(slash == std::string::npos ? std::string() : path.substr(0, slash), path);
    const EvpPkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    const std::string pem = key ? pemOf(key.get()) : std::string();
    if (pem.empty()) {
        fail(path, "cannot be made: OpenSSL made no Ed25519 key");
    }
    const std::string temporary = path + ".new." + std::to_string(::getpid());
    {
        Fd file{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
        if (file.fd < 0 || ::write(file.fd, pem.data(), pem.size()) != static_cast<ssize_t>(pem.size()) ||
            ::fsync(file.fd) != 0) {
            const std::string why = std::strerror(errno);
            ::unlink(temporary.c_str());
            fail(path, "cannot be written (" + why + ")");
        }
    }
    const bool linked = ::link(temporary.c_str(), path.c_str()) == 0 || errno == EEXIST;
    const std::string why = std::strerror(errno);
    ::unlink(temporary.c_str());
    if (!linked) {
        fail(path, "cannot be written (" + why + ")");
    }
}

}  // namespace

ExaminerKey::ExaminerKey(EvpPkeyPtr key_) : key(std::move(key_)) {
    const std::string raw = rawPublicKey(key.get());
    publicHex = hexBytes(raw);
    print = sha256Hex(raw.data(), raw.size());
}

std::string ExaminerKey::defaultPath() {
    if (const char* given = std::getenv("TELVAR_EXAMINER_KEY"); given != nullptr && *given != '\0') {
        return given;
    }
    return nvr::configFolder() + "/telvar/examiner-ed25519.pem";
}

ExaminerKey ExaminerKey::loadOrCreate(const std::string& path) {
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
    if (file.fd < 0 && errno == ENOENT) {
        createKey(path);
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (file.fd < 0) {
        fail(path, "cannot be read (" + std::string(std::strerror(errno)) + ")");
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(path, "is not a regular file");
    }
    // As ssh does: a key others may read is no longer the examiner's alone.
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        fail(path, "may be read or changed by others than its owner; it must belong to you and be "
                   "readable by you alone (chmod 600), and a key others could read should be "
                   "replaced");
    }
    std::string pem;
    std::array<char, 4096> buffer{};
    for (ssize_t got; (got = ::read(file.fd, buffer.data(), buffer.size())) != 0;) {
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(path, "cannot be read (" + std::string(std::strerror(errno)) + ")");
        }
        pem.append(buffer.data(), static_cast<size_t>(got));
        if (pem.size() > 64 * 1024) {
            fail(path, "is not an Ed25519 private key in PEM form");
        }
    }
    const BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    EvpPkeyPtr key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!key || EVP_PKEY_get_id(key.get()) != EVP_PKEY_ED25519) {
        fail(path, "is not an Ed25519 private key in PEM form");
    }
    return ExaminerKey(std::move(key));
}

std::string ExaminerKey::sign(const std::string& message) const {
    const EvpMdCtxPtr context(EVP_MD_CTX_new());
    std::array<unsigned char, kSignatureBytes> signature{};
    size_t size = signature.size();
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &size,
                       reinterpret_cast<const unsigned char*>(message.data()), message.size()) != 1 ||
        size != signature.size()) {
        throw CaseError(CaseErrorKind::Io, "the seal could not be signed with the examiner's key");
    }
    return hexBytes(std::string_view(reinterpret_cast<const char*>(signature.data()), size));
}

std::string keyFingerprint(const std::string& publicKeyHex) {
    const std::optional<std::string> raw = bytesOfHex(publicKeyHex, HexDigits::LowerCase);
    if (!raw || raw->size() != kKeyBytes) {
        return std::string();
    }
    return sha256Hex(raw->data(), raw->size());
}

bool verifySignature(const std::string& publicKeyHex, const std::string& message,
                     const std::string& signatureHex) {
    const std::optional<std::string> raw = bytesOfHex(publicKeyHex, HexDigits::LowerCase);
    const std::optional<std::string> signature = bytesOfHex(signatureHex, HexDigits::LowerCase);
    if (!raw || raw->size() != kKeyBytes || !signature || signature->size() != kSignatureBytes) {
        return false;
    }
    const EvpPkeyPtr key(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(raw->data()), raw->size()));
    const EvpMdCtxPtr context(EVP_MD_CTX_new());
    return key && context &&
           EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature->data()),
                            signature->size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}
