#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "verification/VerifyResult.h"
#include "verification/VerifyWorkerThread.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The small modeless window that shows which file is being verified and how
// far its walk has got. It owns the worker, feeds it the window's paths and
// forwards every result through gotVerifyResult, whether it is shown or not.
class VerifyProgressDlg : public QDialog {
    Q_OBJECT

  public:
    explicit VerifyProgressDlg(QWidget* parent = nullptr);
    ~VerifyProgressDlg() override;

    // Queues the paths; neither shows nor moves the dialog.
    void verifyFiles(const QStringList& files);
    // For quitting: the current file stops at its next piece of data, the
    // queued ones are dropped, and this returns once the worker has ended.
    // Returns the dropped paths.
    QStringList stopVerification();

    // A run is under way (files queued and not all finished).
    bool isRunning() const { return totalCount > 0; }
    int filesStarted() const { return doneCount; }
    int filesQueued() const { return totalCount; }

  signals:
    void gotVerifyResult(const VerifyResult& result);
    // The run started, moved on to another file, or ended.
    void runStateChanged();
    // Cancel was pressed: these queued files were never verified. The file
    // in progress still ends as a result ("verification cancelled").
    void runCancelled(const QStringList& notVerified);

  public slots:
    void startProgress(const QString& filename);
    void updateProgress(int progress);
    void finishedProgress(const VerifyResult& result);
    void WorkDone();
    // Stops the run as stopVerification does and reports what was dropped.
    void cancelRun();

  private:
    // When files follow each other faster than the eye, painting waits for
    // a pause instead of running for each of them.
    void holdPainting();

    QLabel* statusLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QPushButton* cancelButton = nullptr;
    int doneCount = 0;         // files started in the current run
    int totalCount = 0;        // files queued for the current run
    QElapsedTimer sinceStart;  // since the last file started
    QTimer paintTimer;         // ends a hold on painting
    std::unique_ptr<VerifyWorkerThread> worker;
};
