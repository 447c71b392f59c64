#include "ui/FolderWalk.h"

#include <QThread>

FolderWalk::FolderWalk(QObject* parent) : QObject(parent) {}

FolderWalk::~FolderWalk() {
    stop();
}

void FolderWalk::expand(const QStringList& paths) {
    waiting.push_back(paths);
    if (walker == nullptr) {
        startNext();
    }
}

void FolderWalk::stop() {
    waiting.clear();
    if (walker == nullptr) {
        return;
    }
    stopping = true;
    walker->wait();
    delete walker;
    walker = nullptr;
    stopping = false;
}

void FolderWalk::startNext() {
    if (waiting.empty()) {
        return;
    }
    const QStringList paths = waiting.front();
    waiting.pop_front();
    // The walk's result comes back as a queued call: dropped if the walk was
    // stopped meanwhile (see walked) or this object was destroyed.
    const int walk = ++walks;
    QThread* const thread = QThread::create([this, paths, walk] {
        CollectedRecordings collected = collectRecordings(paths, mayRead, &stopping);
        if (stopping) {
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, walk, found = std::move(collected)] { walked(walk, found); },
            Qt::QueuedConnection);
    });
    walker = thread;
    thread->start();
}

void FolderWalk::walked(int walk, const CollectedRecordings& collected) {
    if (walker == nullptr || walk != walks) {
        return;  // stopped after this result was sent
    }
    walker->wait();
    delete walker;
    walker = nullptr;
    emit expanded(collected);
    // A list given while the walk went on, or from a slot of `expanded`,
    // is walked now.
    if (walker == nullptr) {
        startNext();
    }
}

#include "moc_FolderWalk.cpp"
