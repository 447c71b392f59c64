#pragma once

#include <string>

#include "support/EbmlWriter.h"

// A file in the temporary folder that is removed when the object goes.
class TempFile {
  public:
    explicit TempFile(const ebml::Bytes& contents = {}, const std::string& suffix = ".mkv");
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    const std::string& path() const { return filePath; }
    const char* c_str() const { return filePath.c_str(); }
    void write(const ebml::Bytes& contents) const;
    // Writes `contents` at `offset`, growing the file (sparsely) if needed.
    void writeAt(unsigned long long offset, const ebml::Bytes& contents) const;

  private:
    std::string filePath;
};
