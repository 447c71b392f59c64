#pragma once

#include "signature/SslPtr.h"
#include "signature/iMyMDContext.h"

// What the RSA and HMAC contexts share: the key, the digest and the OpenSSL
// digest context, and feeding bytes into it. The HMAC context keeps its own
// MAC context instead of the key and digest context (see MyHMACSign).
class MyMDContext : public iMyMDContext {
  public:
    DWMErrorCode update(const uint8_t* data, size_t length) override;

  protected:
    // `digest` may be null (unknown selector); initDigest refuses it then.
    MyMDContext(EvpPkeyPtr key, const EVP_MD* digest);

    // Throws DWMErrorCode::InvalidArguments without a key or a digest. Starts the
    // digest on the existing context when `reuse` is set, else on a new one.
    void initDigest(bool reuse);
    // Drops the message under way and starts the digest again.
    void finishDigest();

    // The digest context; throws DWMErrorCode::NotReady when there is none.
    EVP_MD_CTX* readyContext() const;
    EVP_PKEY* pkey() const { return key.get(); }
    const EVP_MD* md() const { return digest; }

  private:
    // Declared before the context so that the context, which uses the key,
    // is destroyed first.
    EvpPkeyPtr key;
    const EVP_MD* digest;  // one of OpenSSL's static tables, not owned
    EvpMdCtxPtr context;
};
