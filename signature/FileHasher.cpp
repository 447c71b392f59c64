#include "signature/FileHasher.h"

// Placeholder until the hashing thread lands: path only.
struct FileHasher::State {
    FileIdentity identity;
};

FileHasher::FileHasher(const std::string& path, const std::atomic<bool>*)
    : state(std::make_unique<State>()) {
    state->identity.path = path;
}

FileHasher::~FileHasher() = default;

FileIdentity FileHasher::finish() {
    return state->identity;
}
