#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "container/iReader.h"

namespace nvr {

// Serves the bytes of one file. Offsets are 64-bit throughout, so files of
// any size are served in full.
class MkvFileReader : public iReader {
public:
    MkvFileReader() = default;
    MkvFileReader(const MkvFileReader&) = delete;
    MkvFileReader& operator=(const MkvFileReader&) = delete;
    ~MkvFileReader() override = default;

    // 0, or -2 (null path), -5 (already attached), -3 (cannot open), -7 (size unknown).
    int32_t open(const char* path);
    void close();
    int32_t read(int64_t offset, int32_t length, uint8_t* buffer) override;
    int64_t size() override;

    bool isOpen = false;
    int64_t fileSize = 0;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> stream;
};

}  // namespace nvr
