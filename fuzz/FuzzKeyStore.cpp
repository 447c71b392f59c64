// Fuzz target: a hostile key store. It is read whole or refused with a
// KeyStoreError, never half read: anything else that comes out is a
// finding. A store that reads is edited (a key retired) and must read back.
#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "signature/KeyStore.h"
#include "signature/KeyStoreEdit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const nvr::KeyStore store = nvr::KeyStore::parse(text, "/nonexistent/fuzz.toml");
        for (const nvr::TrustedKey& key : store.keys()) {
            FUZZ_CHECK(key.builtIn || !key.id.empty());
            FUZZ_CHECK(key.builtIn || !key.label.empty());
            FUZZ_CHECK(key.status != nvr::KeyStatus::Revoked || !key.revokedAt.empty());
        }
        for (const nvr::TrustedKey& key : store.keys()) {
            if (!key.builtIn) {
                try {
                    const std::string edited = nvr::withKeyRetired(text, "/nonexistent/fuzz.toml",
                                                                   key.id, "2030-01-01 00:00:00");
                    const nvr::KeyStore again = nvr::KeyStore::parse(edited, "fuzz.toml");
                    FUZZ_CHECK(again.find(key.id) != nullptr);
                } catch (const nvr::KeyStoreError&) {
                    // An entry laid out so that it cannot be edited is refused.
                }
                break;
            }
        }
    } catch (const nvr::KeyStoreError&) {
    }
    return 0;
}
