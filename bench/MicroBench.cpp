// Per-call cost of the element header decoders and the integer reader, over
// a buffer in memory and over a file. Every metadata parse and every cluster
// walk is a long run of these calls, each one a read at an absolute offset.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchFiles.h"
#include "container/MkvElement.h"
#include "container/MkvFileReader.h"
#include "container/MkvMemoryReader.h"

namespace {

// The same bytes once in memory and once in a file.
struct Sources {
    Sources(const ebml::Bytes& bytes, const std::string& path)
        : memory(bytes), size(static_cast<int64_t>(bytes.size())) {
        bench::writeFile(path, bytes);
        if (file.open(path.c_str()) != nvr::ReaderStatus::Ok) {
            throw std::runtime_error("cannot open " + path);
        }
    }

    nvr::MkvMemoryReader memory;
    nvr::MkvFileReader file;
    int64_t size;
};

// Equally spaced offsets from `first`, wrapping before `limit`: each call
// reads a new place, as a walk does, yet the input stays small and cached.
class Cursor {
  public:
    Cursor(int64_t first_, int64_t stride_, int64_t limit_)
        : first(first_), stride(stride_), limit(limit_), position(first_) {}

    int64_t next() {
        const int64_t at = position;
        position += stride;
        if (position >= limit) {
            position = first;
        }
        return at;
    }

  private:
    int64_t first;
    int64_t stride;
    int64_t limit;
    int64_t position;
};

// One element repeated: its header is what the decoders read.
struct HeaderShape {
    const char* name;
    ebml::Element element;
    int64_t idLength;
};

ebml::Bytes repeated(const ebml::Bytes& unit, size_t count) {
    ebml::Bytes out;
    out.reserve(unit.size() * count);
    for (size_t i = 0; i < count; ++i) {
        out.insert(out.end(), unit.begin(), unit.end());
    }
    return out;
}

void registerHeaderBenchmarks(const std::string& source, nvr::iReader* reader, int64_t size,
                              const HeaderShape& shape, int64_t stride) {
    const std::string suffix = "/" + source + "/" + shape.name;
    benchmark::RegisterBenchmark(("MkvElement" + suffix).c_str(), [=](benchmark::State& state) {
        Cursor cursor(0, stride, size);
        for (auto _ : state) {
            const nvr::MkvElement element(reader, cursor.next());
            benchmark::DoNotOptimize(element.dataSize);
        }
        state.SetItemsProcessed(state.iterations());
    });
    benchmark::RegisterBenchmark(("readElementId" + suffix).c_str(), [=](benchmark::State& state) {
        Cursor cursor(0, stride, size);
        nvr::MkvElement element;
        for (auto _ : state) {
            benchmark::DoNotOptimize(nvr::readElementId(reader, cursor.next(), element));
        }
        state.SetItemsProcessed(state.iterations());
    });
    const int64_t idLength = shape.idLength;
    benchmark::RegisterBenchmark(("readDataSize" + suffix).c_str(), [=](benchmark::State& state) {
        Cursor cursor(idLength, stride, size);
        nvr::MkvElement element;
        for (auto _ : state) {
            benchmark::DoNotOptimize(nvr::readDataSize(reader, cursor.next(), element));
        }
        state.SetItemsProcessed(state.iterations());
    });
}

void registerUIntBenchmarks(const std::string& source, nvr::iReader* reader, int64_t size) {
    for (const int8_t length : {int8_t{1}, int8_t{2}, int8_t{4}, int8_t{8}}) {
        const std::string name = "readUInt/" + source + "/" + std::to_string(length);
        benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
            Cursor cursor(0, length, size - length);
            for (auto _ : state) {
                benchmark::DoNotOptimize(nvr::readUInt(reader, cursor.next(), length));
            }
            state.SetItemsProcessed(state.iterations());
        });
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    try {
        const bench::TempDir dir;
        // The shortest header (a Void), a seek entry's, and a cluster's as
        // recorders write it: 4-byte ID, 8-byte size.
        const HeaderShape shapes[] = {
            {"id1+size1", ebml::voidEl(3), 1},
            {"id2+size2", ebml::el(0x4DBB, ebml::Bytes{0}).withSizeWidth(2), 2},
            {"id4+size8", ebml::el(0x1F43B675, ebml::Bytes{0}).withSizeWidth(8), 4},
        };
        constexpr size_t kElements = 4096;

        std::vector<std::unique_ptr<Sources>> sources;
        for (const HeaderShape& shape : shapes) {
            const ebml::Bytes unit = ebml::encode(shape.element);
            sources.push_back(std::make_unique<Sources>(
                repeated(unit, kElements), dir.file(std::string(shape.name) + ".bin")));
            Sources& s = *sources.back();
            const auto stride = static_cast<int64_t>(unit.size());
            registerHeaderBenchmarks("memory", &s.memory, s.size, shape, stride);
            registerHeaderBenchmarks("file", &s.file, s.size, shape, stride);
        }

        ebml::Bytes numbers(64 * 1024);
        uint32_t state = 0x9E3779B9u;  // any fixed bytes will do; xorshift keeps them varied
        for (uint8_t& b : numbers) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            b = static_cast<uint8_t>(state);
        }
        sources.push_back(std::make_unique<Sources>(numbers, dir.file("numbers.bin")));
        registerUIntBenchmarks("memory", &sources.back()->memory, sources.back()->size);
        registerUIntBenchmarks("file", &sources.back()->file, sources.back()->size);

        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "telvar_micro_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
