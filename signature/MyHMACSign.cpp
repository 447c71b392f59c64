#include "signature/MyHMACSign.h"

#include <openssl/err.h>

#include "signature/DWMException.h"
#include "signature/SslError.h"

namespace {

EvpPkeyPtr makeMacKey(const std::vector<uint8_t>& key) {
    EvpPkeyPtr macKey(EVP_PKEY_new_raw_private_key(EVP_PKEY_HMAC, nullptr, key.data(), key.size()));
    if (!macKey) {
        // Reported by initDigest as invalid arguments; nothing of it may
        // linger on the queue for a later error.
        ERR_clear_error();
    }
    return macKey;
}

}  // namespace

MyHMACSign::MyHMACSign(const std::vector<uint8_t>& key, DigestType type)
    : MyMDContext(makeMacKey(key), evpDigest(type)) {
    initDigest(false);
    initSign();
}

void MyHMACSign::initSign() {
    requireSsl(EVP_DigestSignInit(readyContext(), nullptr, md(), nullptr, pkey()) == 1);
}

int MyHMACSign::final(std::vector<uint8_t>& mac) {
    EVP_MD_CTX* const context = readyContext();
    size_t length = 0;
    requireSsl(EVP_DigestSignFinal(context, nullptr, &length) == 1);
    mac.resize(length);
    requireSsl(EVP_DigestSignFinal(context, mac.data(), &length) == 1);
    mac.resize(length);
    return 0;
}

int MyHMACSign::reset() {
    finishDigest();
    initSign();
    return 0;
}
