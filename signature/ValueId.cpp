#include "signature/ValueId.h"

#include <openssl/evp.h>

#include <algorithm>

#include "signature/DWMException.h"
#include "signature/DigestType.h"

namespace nvr {

ValueId valueIdOf(const ByteBuffer& value) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(value.data(), value.size(), digest, &length, evpDigest(DIGEST_SHA256),
                   nullptr) != 1 ||
        length < sizeof(ValueId)) {
        throw DWMException(DWMErrorCode::SslError);
    }
    ValueId id;
    std::copy(digest, digest + id.size(), id.begin());
    return id;
}

}  // namespace nvr
