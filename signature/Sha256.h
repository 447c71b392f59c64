#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "signature/SslPtr.h"

// SHA-256 over bytes fed in pieces, for the identity of files and keys.
class Sha256 {
  public:
    Sha256();  // throws DWMException when OpenSSL cannot start the digest
    void update(const void* data, size_t size);
    // Lower-case hex of the digest; the object is spent afterwards.
    std::string finishHex();
    // The digest's 32 bytes, for many small digests kept in memory.
    std::array<uint8_t, 32> finishBytes();

  private:
    EvpMdCtxPtr context;
};

// Lower-case hex SHA-256 of one block of bytes.
std::string sha256Hex(const void* data, size_t size);
