// Wall time of the metadata parse (MkvParser construction + parse()) of
// generated recordings:
//  - a segment of many 3-byte Void elements, which the parse steps over one
//    header at a time, at 250k, 500k and 1M elements to show the time grows
//    linearly with the element count;
//  - a sparse file of more than 4 GiB whose seek entries point above the
//    4 GiB mark, which must be reached through 64-bit offsets.
// Each result is checked before it is timed: a parse that fails or loads
// the wrong elements would otherwise be reported as fast.
//
//  - optionally, real recordings named with --file (e.g. a 4 GiB signed
//    recording), whose recorder tag must load.
//
// Usage: telvar_parse_bench [--runs N] [--file PATH]...

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "container/MkvParser.h"

namespace {

using ebml::Bytes;

constexpr uint64_t kSegmentId = 0x18538067;
constexpr uint64_t kSeekHeadId = 0x114D9B74;
constexpr uint64_t kInfoId = 0x1549A966;
constexpr uint64_t kTracksId = 0x1654AE6B;
constexpr uint64_t kCuesId = 0x1C53BB6B;
constexpr uint64_t kClusterId = 0x1F43B675;
constexpr uint64_t kRecorderTagId = 0x134E5652;

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

// EBML header and the header of a Segment with an 8-byte size, so that the
// segment's data offset is known before its payload is laid out.
Bytes fileStart(uint64_t segmentSize) {
    Bytes out = ebml::encode(ebml::ebmlHeader());
    append(out, ebml::encodeId(kSegmentId));
    append(out, ebml::encodeSize(segmentSize, 8));
    return out;
}

Bytes infoElement(uint64_t timecodeScale, const std::string& muxingApp) {
    return ebml::encode(
        ebml::el(kInfoId, {ebml::uintEl(0x2AD7B1, timecodeScale), ebml::strEl(0x4D80, muxingApp)}));
}

Bytes tracksElement(uint64_t trackNumber) {
    return ebml::encode(
        ebml::el(kTracksId, {ebml::el(0xAE, {ebml::uintEl(0xD7, trackNumber), ebml::uintEl(0x83, 1),
                                             ebml::strEl(0x86, "V_MPEG4/ISO/AVC")})}));
}

Bytes clusterElement() {
    return ebml::encode(ebml::el(kClusterId, {ebml::uintEl(0xE7, 0)}));
}

// `voids` Void elements, then an Info (so a check can tell that the walk got
// past all of them) and the first Cluster, where the parse stops.
Bytes voidRecording(size_t voids) {
    const Bytes tail = [] {
        Bytes out = infoElement(1000000, "void walk");
        append(out, clusterElement());
        return out;
    }();
    const Bytes oneVoid = ebml::encode(ebml::voidEl(3));  // EC 81 00: size 0 is refused
    Bytes out = fileStart(voids * oneVoid.size() + tail.size());
    out.reserve(out.size() + voids * oneVoid.size() + tail.size());
    for (size_t i = 0; i < voids; ++i) {
        append(out, oneVoid);
    }
    append(out, tail);
    return out;
}

bool walkedAllVoids(const nvr::MkvParser& parser) {
    const auto& infos = parser.parsedSegment().infos.items;
    return infos.size() == 1 && nvr::textOf(infos[0].muxingApp) == "void walk";
}

constexpr uint64_t kFarOffset = 4608ull << 20;  // 4.5 GiB
const char kFarSerial[] = "FAR-4.5GiB";

Bytes seekEntry(uint64_t id, uint64_t position) {
    return ebml::encode(ebml::el(
        0x4DBB, {ebml::el(0x53AB, ebml::encodeId(id)), ebml::uintEl(0x53AC, position, 8)}));
}

// Metadata at the start as muxers write it, and a second Info, Tracks, the
// Cues and the recorder tag at 4.5 GiB, named only by the seek head. Returns
// the file size.
uint64_t writeSparseRecording(const std::string& path) {
    Bytes far = infoElement(100000, "far info");
    const uint64_t farTracks = kFarOffset + far.size();
    append(far, tracksElement(2));
    const uint64_t farCues = kFarOffset + far.size();
    append(far, ebml::encode(ebml::el(
                    kCuesId, {ebml::el(0xBB, {ebml::uintEl(0xB3, 0),
                                              ebml::el(0xB7, {ebml::uintEl(0xF7, 1),
                                                              ebml::uintEl(0xF1, 1)})})})));
    const uint64_t farTag = kFarOffset + far.size();
    append(far,
           ebml::encode(ebml::el(kRecorderTagId, {ebml::el(0x6E12, ebml::bytesOf(kFarSerial))})));
    const uint64_t fileSize = kFarOffset + far.size();

    const uint64_t dataOffset = fileStart(0).size();
    Bytes start = fileStart(fileSize - dataOffset);
    Bytes seeks;
    append(seeks, seekEntry(kInfoId, kFarOffset - dataOffset));
    append(seeks, seekEntry(kTracksId, farTracks - dataOffset));
    append(seeks, seekEntry(kCuesId, farCues - dataOffset));
    append(seeks, seekEntry(kRecorderTagId, farTag - dataOffset));
    append(start, ebml::encode(ebml::el(kSeekHeadId, seeks)));
    append(start, infoElement(1000000, "near info"));
    append(start, tracksElement(1));
    append(start, clusterElement());

    bench::createSparse(path, fileSize);
    bench::writeAt(path, 0, start);
    bench::writeAt(path, kFarOffset, far);
    return fileSize;
}

bool loadedFarElements(const nvr::MkvParser& parser) {
    const nvr::MkvSegment& segment = parser.parsedSegment();
    const auto& infos = segment.infos.items;
    const auto& serial = parser.tag().serialNumber;
    // The seek head's targets load before the walk goes on to the near Info.
    return infos.size() == 2 && infos[0].headerOffset == static_cast<int64_t>(kFarOffset) &&
           infos[0].timecodeScale == 100000 && segment.tracks.items.size() == 2 &&
           segment.cues.headerOffset > static_cast<int64_t>(kFarOffset) &&
           segment.cues.items.size() == 1 &&
           std::string(serial.begin(), serial.end()) == kFarSerial;
}

using MakeParser = std::function<std::unique_ptr<nvr::MkvParser>()>;
using Check = std::function<bool(const nvr::MkvParser&)>;

// One input to time, with the check its parse result must pass.
struct Case {
    std::string label;
    MakeParser make;
    Check check;
    std::vector<double> ms;  // one wall time per round

    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const size_t mid = sorted.size() / 2;
        return sorted.size() % 2 != 0 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2.0;
    }
};

// Parses every case once untimed (warming the page cache) and checks it,
// then times each case once per round. Interleaving the rounds spreads a
// slowdown of the shared machine over all cases alike instead of skewing one
// entry of the linearity table.
void measure(std::vector<Case>& cases, int runs) {
    for (const Case& c : cases) {
        const auto parser = c.make();
        parser->parse();
        if (!c.check(*parser)) {
            throw std::runtime_error(c.label + ": the parse did not load the expected elements");
        }
    }
    for (int round = 0; round < runs; ++round) {
        for (Case& c : cases) {
            const auto begin = std::chrono::steady_clock::now();
            const auto parser = c.make();
            parser->parse();
            const auto end = std::chrono::steady_clock::now();
            c.ms.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
        }
    }
}

MakeParser fromFile(const std::string& path) {
    return [path] { return std::make_unique<nvr::MkvParser>(path.c_str()); };
}

// Serves bytes owned by the caller. MkvMemoryReader would copy the whole
// recording into itself inside the timed span; this leaves only the walk.
class BufferView : public nvr::iReader {
  public:
    explicit BufferView(const Bytes& bytes_) : bytes(bytes_) {}

    int32_t read(int64_t offset, int32_t length, uint8_t* buffer) override {
        if (offset < 0 || length < 0) {
            return nvr::refused(nvr::ReaderStatus::InvalidArgument);
        }
        if (length == 0) {
            return 0;
        }
        if (offset >= size()) {
            return nvr::refused(nvr::ReaderStatus::PastEnd);
        }
        if (length > size() - offset) {
            return nvr::refused(nvr::ReaderStatus::IoFailed);
        }
        std::memcpy(buffer, bytes.data() + offset, static_cast<size_t>(length));
        return length;
    }
    int64_t size() override { return static_cast<int64_t>(bytes.size()); }

  private:
    const Bytes& bytes;
};

MakeParser fromMemory(const Bytes& bytes) {
    return
        [&bytes] { return std::make_unique<nvr::MkvParser>(std::make_unique<BufferView>(bytes)); };
}

struct Options {
    int runs = 5;
    std::vector<std::string> files;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            options.runs = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--file") == 0 && i + 1 < argc) {
            options.files.emplace_back(argv[++i]);
        } else {
            throw std::invalid_argument(std::string("unknown argument ") + argv[i] +
                                        " (usage: telvar_parse_bench [--runs N] [--file PATH]...)");
        }
    }
    if (options.runs < 1) {
        throw std::invalid_argument("--runs needs a count of at least 1");
    }
    return options;
}

bool loadedRecorderTag(const nvr::MkvParser& parser) {
    return !parser.tag().serialNumber.empty();
}

void run(const Options& options) {
    const int runs = options.runs;
    const bench::TempDir dir;
    std::printf("Metadata parse: MkvParser construction + parse(), median of %d runs\n\n", runs);

    // The same recordings from a file and from memory: the memory figures show
    // the walk alone, the difference is what the file reads cost.
    const size_t counts[] = {250000, 500000, 1000000};
    constexpr size_t kCounts = sizeof counts / sizeof counts[0];
    std::vector<Bytes> recordings;
    for (const size_t count : counts) {
        recordings.push_back(voidRecording(count));
    }
    std::vector<Case> cases;
    for (size_t i = 0; i < kCounts; ++i) {
        const std::string path = dir.file("voids-" + std::to_string(counts[i]) + ".mkv");
        bench::writeFile(path, recordings[i]);
        cases.push_back({path, fromFile(path), walkedAllVoids, {}});
    }
    for (size_t i = 0; i < kCounts; ++i) {
        cases.push_back({std::to_string(counts[i]) + " Voids in memory",
                         fromMemory(recordings[i]),
                         walkedAllVoids,
                         {}});
    }
    const std::string sparsePath = dir.file("sparse-4.5GiB.mkv");
    const uint64_t sparseSize = writeSparseRecording(sparsePath);
    cases.push_back({sparsePath, fromFile(sparsePath), loadedFarElements, {}});

    const size_t firstExtra = cases.size();
    for (const std::string& path : options.files) {
        cases.push_back({path, fromFile(path), loadedRecorderTag, {}});
    }

    measure(cases, runs);
    const auto fileMs = [&](size_t i) { return cases[i].median(); };
    const auto memoryMs = [&](size_t i) { return cases[kCounts + i].median(); };
    const size_t largest = kCounts - 1;
    const auto perVoid = [&](double ms, size_t i) {
        return ms * 1e6 / static_cast<double>(counts[i]);
    };

    std::printf("  %-52s %10s %12s\n", "case", "median ms", "ns per Void");
    std::printf("  %-52s %10.3f %12.1f\n", "1M Void elements (3 MB segment), from file",
                fileMs(largest), perVoid(fileMs(largest), largest));
    std::printf("  %-52s %10.3f %12.1f\n", "1M Void elements (3 MB segment), from memory",
                memoryMs(largest), perVoid(memoryMs(largest), largest));
    std::printf("  %-52s %10.3f %12s\n", "sparse file, seek targets above 4 GiB",
                cases[firstExtra - 1].median(), "-");
    std::printf("    (%llu bytes, %llu KiB allocated; Info, Tracks, Cues and tag at %llu)\n\n",
                static_cast<unsigned long long>(sparseSize),
                static_cast<unsigned long long>(bench::allocatedBytes(sparsePath) / 1024),
                static_cast<unsigned long long>(kFarOffset));
    for (size_t i = firstExtra; i < cases.size(); ++i) {
        std::printf("  %-52s %10.3f %12s\n",
                    cases[i].label.substr(cases[i].label.find_last_of('/') + 1).c_str(),
                    cases[i].median(), "-");
    }
    if (firstExtra < cases.size()) {
        std::printf("\n");
    }

    std::printf("Linear time in the number of Void elements (linear: x 1.00, 2.00, 4.00)\n\n");
    std::printf("  %10s %12s %8s %12s %12s %8s %12s\n", "Voids", "file ms", "x 250k", "ns/Void",
                "memory ms", "x 250k", "ns/Void");
    for (size_t i = 0; i < kCounts; ++i) {
        std::printf("  %10zu %12.3f %8.2f %12.1f %12.3f %8.2f %12.1f\n", counts[i], fileMs(i),
                    fileMs(i) / fileMs(0), perVoid(fileMs(i), i), memoryMs(i),
                    memoryMs(i) / memoryMs(0), perVoid(memoryMs(i), i));
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        run(parseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "telvar_parse_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
