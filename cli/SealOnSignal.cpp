#include "cli/SealOnSignal.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>

namespace {

// Sent by the destructor to wake the watcher when the run ends normally.
constexpr int kEnd = SIGUSR2;

sigset_t watched() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, kEnd);
    return set;
}

}  // namespace

SealOnSignal::SealOnSignal(std::function<void(int)> onSignal) {
    const sigset_t set = watched();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher = std::thread([onSignal = std::move(onSignal)] {
        const sigset_t wait = watched();
        int signal = 0;
        while (sigwait(&wait, &signal) != 0) {
        }
        if (signal != kEnd) {
            onSignal(signal);
        }
    });
}

SealOnSignal::~SealOnSignal() {
    pthread_kill(watcher.native_handle(), kEnd);
    watcher.join();
}
