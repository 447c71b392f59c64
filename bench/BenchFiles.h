#pragma once

#include <cstdint>
#include <string>

#include "support/EbmlWriter.h"

// Files the benchmarks read, laid out in a temporary folder. Failures throw
// std::runtime_error: a benchmark on a half-written input would measure
// nothing useful.
namespace bench {

// A fresh folder under the system's temporary directory, removed with all it
// holds when the object goes.
class TempDir {
  public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }

  private:
    std::string dir;
};

void writeFile(const std::string& path, const ebml::Bytes& bytes);
// Creates `path` with `size` bytes of which none is allocated yet, so a file
// of several GiB costs no disk space until written.
void createSparse(const std::string& path, uint64_t size);
// Overwrites bytes of an existing file at an absolute offset.
void writeAt(const std::string& path, uint64_t offset, const ebml::Bytes& bytes);
// Disk space a file really takes, to show that a sparse file stayed sparse.
uint64_t allocatedBytes(const std::string& path);

}  // namespace bench
