#pragma once

#include <cstdio>
#include <memory>

namespace recorder {

// A C file that closes when its owner goes.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace recorder
