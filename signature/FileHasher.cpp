#include "signature/FileHasher.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "signature/Sha256.h"

namespace {

constexpr size_t kPiece = size_t{1} << 20;

std::string utcText(int64_t seconds) {
    const auto at = static_cast<time_t>(seconds);
    std::tm tm{};
    if (gmtime_r(&at, &tm) == nullptr) {
        return std::string();
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

std::string systemText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

struct FileHasher::State {
    const std::atomic<bool>* cancel = nullptr;
    std::atomic<bool> stop{false};                   // the hasher is going away
    std::shared_ptr<const nvr::RecordingFile> file;  // null when it did not open
    FileIdentity identity;
    std::thread thread;
    bool ran = false;

    bool cancelled() const { return stop.load() || (cancel != nullptr && cancel->load()); }
    void run() noexcept;
    void hash();
    // Reads to the end into `digest`; the bytes read, or -1 after setting the error.
    int64_t readAll(Sha256& digest);
};

void FileHasher::State::run() noexcept {
    try {
        hash();
    } catch (const std::exception& e) {
        identity.sha256.clear();
        identity.error = std::string("cannot hash the file: ") + e.what();
    } catch (...) {
        identity.sha256.clear();
        identity.error = "cannot hash the file";
    }
    ran = true;
}

void FileHasher::State::hash() {
    if (!file) {
        return;  // the identity says why
    }
    const nvr::FileStamp& stamp = file->stampAtOpen();
    identity.size = stamp.size;
    identity.modifiedUtc = utcText(stamp.modifiedSeconds);
    file->adviseSequential();
    Sha256 digest;
    const int64_t read = readAll(digest);
    if (read < 0) {
        return;
    }
    if (read != identity.size) {
        identity.error = "the file changed size while it was hashed (" + std::to_string(read) +
                         " bytes read, " + std::to_string(identity.size) + " expected)";
        return;
    }
    identity.sha256 = digest.finishHex();
}

int64_t FileHasher::State::readAll(Sha256& digest) {
    // Sized to the file, and not cleared: a run of small files paid more
    // for a zeroed megabyte each than for their hashes.
    const auto most = static_cast<int64_t>(kPiece);
    const size_t size = static_cast<size_t>(
        std::max<int64_t>(identity.size < most ? identity.size + 1 : most, 4096));
    const std::unique_ptr<unsigned char[]> piece(new unsigned char[size]);
    int64_t total = 0;
    for (;;) {
        if (cancelled()) {
            identity.error = "hashing was cancelled";
            return -1;
        }
        const int64_t got = file->readAt(total, piece.get(), size);
        if (got == 0) {
            return total;
        }
        if (got < 0) {
            identity.error =
                systemText(("read error at offset " + std::to_string(total)).c_str(), errno);
            return -1;
        }
        digest.update(piece.get(), static_cast<size_t>(got));
        total += got;
    }
}

FileHasher::FileHasher(std::shared_ptr<const nvr::RecordingFile> file,
                       const std::atomic<bool>* cancel, Where where)
    : FileHasher(file ? file->path() : std::string(),
                 nvr::RecordingFile::Opened{std::move(file), {}, {}, 0}, cancel, where) {}

FileHasher::FileHasher(const std::string& path, const std::atomic<bool>* cancel, Where where)
    : FileHasher(path, nvr::RecordingFile::open(path), cancel, where) {}

FileHasher::FileHasher(const std::string& path, nvr::RecordingFile::Opened opened,
                       const std::atomic<bool>* cancel, Where where)
    : state(std::make_unique<State>()) {
    state->identity.path = path;
    state->cancel = cancel;
    if (!opened.file) {
        state->identity.error = opened.identityText();
        return;
    }
    state->file = std::move(opened.file);
    if (where == Where::InFinishIfSmall && state->file->size() <= static_cast<int64_t>(kPiece)) {
        return;
    }
    try {
        State* const s = state.get();
        state->thread = std::thread([s] { s->run(); });
    } catch (const std::system_error&) {
        // No thread to spare: finish() hashes on the caller's thread.
    }
}

FileHasher::~FileHasher() {
    state->stop = true;
    if (state->thread.joinable()) {
        state->thread.join();
    }
}

FileIdentity FileHasher::finish() {
    if (state->thread.joinable()) {
        state->thread.join();
    } else if (!state->ran) {
        state->run();
    }
    return state->identity;
}
