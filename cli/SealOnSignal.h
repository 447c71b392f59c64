#pragma once

#include <functional>
#include <thread>

// SIGINT and SIGTERM during a case run: a thread of its own takes them
// (they are blocked in every other thread, so made before any other) and
// calls `onSignal` with the signal's number, which must end the process.
// Going out of scope lets the thread go without calling it.
class SealOnSignal {
  public:
    explicit SealOnSignal(std::function<void(int signal)> onSignal);
    SealOnSignal(const SealOnSignal&) = delete;
    SealOnSignal& operator=(const SealOnSignal&) = delete;
    ~SealOnSignal();

  private:
    std::thread watcher;
};
