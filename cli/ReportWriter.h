#pragma once

#include <cstdio>
#include <memory>
#include <string>

// Writes the HTML report under a temporary name beside its place, opened at
// once so a path that cannot be written fails before a long batch, and
// renamed into place only when every byte is on disk: a report is there
// whole or not at all.
class ReportWriter {
  public:
    explicit ReportWriter(const std::string& path);
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;
    ~ReportWriter();  // removes the temporary file unless committed

    bool ready() const { return file != nullptr; }
    // Writes, syncs and renames into place; false with error() when any step fails.
    bool commit(const std::string& contents);
    const std::string& error() const { return why; }

  private:
    struct Closer {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };
    std::string path;
    std::string partPath;  // empty until the temporary file exists
    std::unique_ptr<std::FILE, Closer> file;
    bool committed = false;
    std::string why;
};
