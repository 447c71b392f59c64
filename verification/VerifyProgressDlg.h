#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>

#include "verification/VerifyResult.h"
#include "verification/VerifyWorkerThread.h"

class QLabel;
class QProgressBar;

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
    void stopVerification();

  signals:
    void gotVerifyResult(const VerifyResult& result);

  public slots:
    void startProgress(const QString& filename);
    void updateProgress(int progress);
    void finishedProgress(const VerifyResult& result);
    void WorkDone();

  private:
    QLabel* statusLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    int doneCount = 0;   // files started in the current run
    int totalCount = 0;  // files queued for the current run
    std::unique_ptr<VerifyWorkerThread> worker;
};
