#include "verification/VerifyProgressDlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QVBoxLayout>

VerifyProgressDlg::VerifyProgressDlg(QWidget* parent) : QDialog(parent, Qt::WindowCloseButtonHint) {
    setWindowTitle(tr("Verifying"));

    auto* layout = new QVBoxLayout(this);
    progressBar = new QProgressBar(this);
    progressBar->setRange(0, 100);
    progressBar->setAlignment(Qt::AlignTop);
    statusLabel = new QLabel(this);
    statusLabel->setAlignment(Qt::AlignBottom);
    layout->addWidget(statusLabel);
    layout->addWidget(progressBar);
    layout->setAlignment(Qt::AlignCenter);

    QPalette background = palette();
    background.setBrush(QPalette::Window, QBrush(Qt::white));
    setPalette(background);

    setLayout(layout);
    setFixedSize(400, 100);

    qRegisterMetaType<VerifyResult>("VerifyResult");
    worker = std::make_unique<VerifyWorkerThread>();
    connect(worker.get(), &VerifyWorkerThread::startVerifyFile, this,
            &VerifyProgressDlg::startProgress);
    connect(worker.get(), &VerifyWorkerThread::verifyProgress, this,
            &VerifyProgressDlg::updateProgress);
    connect(worker.get(), &VerifyWorkerThread::stopVerifyFile, this,
            &VerifyProgressDlg::finishedProgress);
    connect(worker.get(), &QThread::finished, this, &VerifyProgressDlg::WorkDone);
}

// The worker's destructor stops and joins its thread; signals it still
// queued for this dialog are discarded with it.
VerifyProgressDlg::~VerifyProgressDlg() = default;

void VerifyProgressDlg::verifyFiles(const QStringList& files) {
    worker->addFiles(files);
    totalCount += files.size();
}

void VerifyProgressDlg::stopVerification() {
    worker->stop();
    // Deliver what the ended run still has queued here (its last result and
    // finished()) now, so none of it lands in a later run's counters.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    doneCount = 0;
    totalCount = 0;
    hide();
}

void VerifyProgressDlg::startProgress(const QString& filename) {
    ++doneCount;
    // One arg() call, so a "%2" in the file name is not filled in.
    statusLabel->setText(tr("Verifying") + QStringLiteral(": %1 (%2/%3)\n")
                                               .arg(filename, QString::number(doneCount),
                                                    QString::number(totalCount)));
    progressBar->setValue(0);
}

void VerifyProgressDlg::updateProgress(int progress) {
    progressBar->setValue(progress);
}

void VerifyProgressDlg::finishedProgress(const VerifyResult& result) {
    progressBar->setValue(100);
    // Forwarded even while hidden: every queued file ends as a row.
    emit gotVerifyResult(result);
}

void VerifyProgressDlg::WorkDone() {
    // A batch queued after the worker's finished() but before this slot has
    // started a new run that the counters already include; that run's own
    // finished() will end it.
    if (doneCount < totalCount) {
        return;
    }
    totalCount = 0;
    doneCount = 0;
    hide();
}
