#pragma once

#include <cstdio>
#include <string>

// A one-line progress bar on a terminal stream; silent elsewhere, so
// scripted runs get clean output.
class ProgressBar {
  public:
    explicit ProgressBar(std::FILE* stream);

    void start(const std::string& name);
    void update(double fraction);
    void finish();

    // A ProgressCallback whose context is a ProgressBar.
    static void report(double fraction, void* context);

  private:
    std::FILE* stream;
    bool enabled;
    std::string name;
    int lastPercent = -1;
};
