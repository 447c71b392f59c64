#include "verification/VerifyProgressDlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "report/Escape.h"
#include "verification/PathBytes.h"

VerifyProgressDlg::VerifyProgressDlg(QWidget* parent) : QDialog(parent, Qt::WindowCloseButtonHint) {
    setWindowTitle(tr("Verifying"));

    auto* layout = new QVBoxLayout(this);
    progressBar = new QProgressBar(this);
    progressBar->setRange(0, 100);
    progressBar->setAlignment(Qt::AlignTop);
    progressBar->setAccessibleName(tr("Progress of the current file"));
    statusLabel = new QLabel(this);
    statusLabel->setAlignment(Qt::AlignBottom);
    statusLabel->setAccessibleName(tr("Current file"));
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setAccessibleName(tr("Cancel the verification"));
    cancelButton->setAutoDefault(false);
    auto* const barRow = new QHBoxLayout;
    barRow->addWidget(progressBar, 1);
    barRow->addWidget(cancelButton);
    layout->addWidget(statusLabel);
    layout->addLayout(barRow);
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
    connect(cancelButton, &QPushButton::clicked, this, &VerifyProgressDlg::cancelRun);

    paintTimer.setSingleShot(true);
    paintTimer.setInterval(50);
    connect(&paintTimer, &QTimer::timeout, this, [this] { setUpdatesEnabled(true); });
}

void VerifyProgressDlg::holdPainting() {
    // The bar repaints at once on every change; hundreds of small files a
    // second would keep the window busy with nothing but that.
    const bool rapid = sinceStart.isValid() && sinceStart.elapsed() < 20;
    sinceStart.start();
    if (rapid && isVisible()) {
        setUpdatesEnabled(false);
        paintTimer.start();
    }
}

// The worker's destructor stops and joins its thread; signals it still
// queued for this dialog are discarded with it.
VerifyProgressDlg::~VerifyProgressDlg() = default;

void VerifyProgressDlg::verifyFiles(const QStringList& files) {
    if (files.isEmpty()) {
        return;
    }
    worker->addFiles(files);
    totalCount += static_cast<int>(files.size());
    emit runStateChanged();
}

QStringList VerifyProgressDlg::stopVerification() {
    const QStringList dropped = worker->stop();
    // Deliver what the ended run still has queued here (its last result and
    // finished()) now, so none of it lands in a later run's counters.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    doneCount = 0;
    totalCount = 0;
    hide();
    emit runStateChanged();
    return dropped;
}

void VerifyProgressDlg::cancelRun() {
    const QStringList dropped = stopVerification();
    emit runCancelled(dropped);
}

void VerifyProgressDlg::startProgress(const QString& path) {
    ++doneCount;
    const QString filename = QString::fromStdString(displayText(pathBytes(path).toStdString()));
    holdPainting();
    // The name gives way in its middle, so the counter stays in view. One
    // arg() call, so a "%2" in the file name is not filled in.
    const QString counter =
        QStringLiteral(" (%1/%2)").arg(QString::number(doneCount), QString::number(totalCount));
    const QString prefix = tr("Verifying") + QStringLiteral(": ");
    const QFontMetrics metrics(statusLabel->font());
    // The dialog's fixed width, whether or not its layout has run yet.
    const QMargins margins = layout()->contentsMargins();
    const int room = width() - margins.left() - margins.right() -
                     metrics.horizontalAdvance(prefix + counter) - 8;
    const QString name = metrics.elidedText(filename, Qt::ElideMiddle, std::max(room, 20));
    statusLabel->setText(prefix + QStringLiteral("%1%2\n").arg(name, counter));
    statusLabel->setToolTip(filename);
    progressBar->setValue(0);
    emit runStateChanged();
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
    emit runStateChanged();
}
