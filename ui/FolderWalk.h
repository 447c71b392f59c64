#pragma once

#include <QObject>
#include <QStringList>
#include <atomic>
#include <deque>

#include "ui/RecordingDrop.h"

class QThread;

// Expands folders to their recordings (collectRecordings) on a thread of
// its own, so a large tree never stalls the window. Lists are expanded one
// at a time, in the order they were given, and each ends in one
// `expanded`, delivered on the owner's thread.
class FolderWalk : public QObject {
    Q_OBJECT

  public:
    explicit FolderWalk(QObject* parent = nullptr);
    // Stops the walk and waits for its thread.
    ~FolderWalk() override;

    void expand(const QStringList& paths);
    // A list is being walked or waits for its turn.
    bool isBusy() const { return walker != nullptr; }
    // Drops the waiting lists, ends the current walk early and waits for
    // it; nothing more is reported.
    void stop();

  signals:
    void expanded(const CollectedRecordings& collected);

  private:
    void startNext();
    void walked(int walk, const CollectedRecordings& collected);

    std::deque<QStringList> waiting;
    QThread* walker = nullptr;
    int walks = 0;  // a result from a stopped walk is dropped
    std::atomic<bool> stopping{false};
};
