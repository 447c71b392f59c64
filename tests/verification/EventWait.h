#pragma once

#include <QElapsedTimer>
#include <QTest>

// Runs the event loop until `done()` holds or `timeoutMs` passes; returns
// whether it holds. Generous timeouts: they only bound a hang.
template <typename Done>
bool waitUntil(Done&& done, int timeoutMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}
