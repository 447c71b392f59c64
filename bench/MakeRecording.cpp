// Writes one signed recording for the verification timings:
//   telvar_bench_recording OUT TOTAL_BYTES CLUSTER_PAYLOAD_BYTES DIGEST [SEED [FLIP]]
// Clusters are HMAC-chained with the given digest (1 MD5 .. 4 SHA-512); the
// recorder streams, so any size is written with little memory. FLIP "one"
// changes a byte in the middle cluster after signing, "all" one in every
// cluster: failing recordings for the evidence timings.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "support/TestRecorder.h"

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s OUT TOTAL_BYTES CLUSTER_PAYLOAD_BYTES DIGEST [SEED]\n",
                     argv[0]);
        return 2;
    }
    const unsigned long long total = std::strtoull(argv[2], nullptr, 10);
    const unsigned long long cluster = std::strtoull(argv[3], nullptr, 10);
    const auto digest = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
    if (cluster < 256 || total < cluster || digest < 1 || digest > 4) {
        std::fprintf(stderr, "invalid sizes or digest\n");
        return 2;
    }
    recorder::RecorderOptions options;
    options.clusterCount = static_cast<int>(total / cluster);
    options.clusterPayloadSize = cluster;
    options.tagSignature = {recorder::kKindHmac, digest};
    options.firstCluster = {recorder::kKindHmac, digest};
    options.laterClusters = {recorder::kKindHmac, digest};
    options.seed = argc > 5 ? std::strtoull(argv[5], nullptr, 10) : 1;
    const std::string flip = argc > 6 ? argv[6] : "";
    if (flip == "one") {
        options.tampering.push_back(recorder::Tampering::flipClusterByte(options.clusterCount / 2));
    }
    try {
        const recorder::Recording written = recorder::writeRecording(argv[1], options);
        if (flip == "all") {
            std::fstream file(argv[1], std::ios::in | std::ios::out | std::ios::binary);
            for (const recorder::ClusterRecord& c : written.clusters) {
                char byte = 0;
                file.seekg(c.signedBegin + 1);
                file.get(byte);
                file.seekp(c.signedBegin + 1);
                file.put(static_cast<char>(~byte));
            }
        }
        std::printf("%s %lld bytes, %zu clusters\n", written.path.c_str(),
                    static_cast<long long>(written.fileSize), written.clusters.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "telvar_bench_recording: %s\n", e.what());
        return 1;
    }
    return 0;
}
