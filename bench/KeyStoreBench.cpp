// What a large key store costs: a recording signed by the first and by the
// last of 100 trusted RSA keys, and one under the built-in key with and
// without the store, for bench/keys.sh:
//   telvar_keystore_bench [CLUSTERS] [RUNS]
// prints one line per case: "CASE MEDIAN_SECONDS CODE" (0: Success).
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "signature/KeyStore.h"
#include "signature/RecordingEvidence.h"
#include "signature/RecordingVerifier.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"

namespace {

constexpr int kKeys = 100;

double medianSeconds(const std::string& path, std::shared_ptr<const nvr::KeyStore> store,
                     int runs, VerdictCode* verdict) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        ExamineOptions options;
        options.fileHash = false;
        options.keys = store;
        const auto start = std::chrono::steady_clock::now();
        const RecordingEvidence evidence = examineRecording(path, options);
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                            .count());
        *verdict = evidence.verdict.code;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int clusters = argc > 1 ? std::atoi(argv[1]) : 1500;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    if (clusters < 1 || runs < 1) {
        std::fprintf(stderr, "usage: %s [CLUSTERS] [RUNS]\n", argv[0]);
        return 2;
    }
    std::vector<recorder::RecorderKeys> recorders(kKeys);
    std::string text;
    for (int i = 0; i < kKeys; ++i) {
        recorders[i].rsaPrivate.reset(EVP_RSA_gen(2048));
        recorders[i].hmacKey = recorder::RecorderKeys::defaults().hmacKey;
        text += "[[key]]\nlabel = \"site " + std::to_string(i + 1) + "\"\npublic_key = \"\"\"\n" +
                recorder::publicKeyPem(recorders[i].rsaPrivate.get()) + "\"\"\"\n\n";
    }
    const TempFile storeFile(ebml::Bytes(text.begin(), text.end()), ".toml");
    const auto store =
        std::make_shared<const nvr::KeyStore>(nvr::KeyStore::load({storeFile.path()}));

    recorder::RecorderOptions options;
    options.clusterCount = clusters;
    options.clusterPayloadSize = 16 * 1024;
    const TempFile builtIn;
    const TempFile first;
    const TempFile last;
    recorder::writeRecording(builtIn.path(), options);
    recorder::writeRecording(first.path(), options, recorders.front());
    recorder::writeRecording(last.path(), options, recorders.back());

    const struct {
        const char* name;
        const TempFile& file;
        std::shared_ptr<const nvr::KeyStore> store;
    } cases[] = {{"built-in-key,no-store", builtIn, nullptr},
                 {"built-in-key,store-of-100", builtIn, store},
                 {"first-of-100", first, store},
                 {"last-of-100", last, store}};
    for (const auto& c : cases) {
        VerdictCode verdict = VerdictCode::Success;
        const double seconds = medianSeconds(c.file.path(), c.store, runs, &verdict);
        std::printf("%s %.4f %d\n", c.name, seconds, verdictNumber(verdict));
    }
    return 0;
}
