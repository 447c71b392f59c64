// Examines one recording and prints what it cost, for bench/evidence.sh:
//   telvar_evidence_bench FILE HASH(0|1) THREADS
// prints "SECONDS PEAK_RSS_KIB STORAGE_READ_BYTES CODE CLUSTERS FINDINGS".
// Storage reads are the kernel's count of bytes fetched from the device
// (/proc/self/io read_bytes): with a cold page cache it tells whether the
// file was read once, however many readers shared it.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "signature/RecordingEvidence.h"

namespace {

long long storageReadBytes() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "read_bytes:") {
            return value;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE HASH(0|1) THREADS\n", argv[0]);
        return 2;
    }
    ExamineOptions options;
    options.fileHash = std::atoi(argv[2]) != 0;
    options.threads = std::atoi(argv[3]);
    const auto start = std::chrono::steady_clock::now();
    const RecordingEvidence evidence = examineRecording(argv[1], options);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.3f %ld %lld %d %lld %zu\n", took.count(), usage.ru_maxrss, storageReadBytes(),
                verdictNumber(evidence.verdict.code), static_cast<long long>(evidence.clusterCount),
                evidence.findings.size());
    return 0;
}
