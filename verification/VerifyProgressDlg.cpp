#include "verification/VerifyProgressDlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "report/Escape.h"
#include "verification/PathBytes.h"

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("VerifyProgressDlg", text);
}

QString bytesText(qint64 bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

}  // namespace

QString timeLeftText(double doneShare, qint64 elapsedMs) {
    // Too early, or too little done, for the rate to mean anything.
    if (!(doneShare > 0.01 && doneShare < 1.0) || elapsedMs < 2000) {
        return {};
    }
    const double left = static_cast<double>(elapsedMs) / 1000.0 * (1.0 - doneShare) / doneShare;
    if (left < 60) {
        return tr("about %1 s left").arg(std::max(1, static_cast<int>(std::ceil(left))));
    }
    const int minutes = static_cast<int>(std::ceil(left / 60));
    if (minutes < 60) {
        return tr("about %1 min left").arg(minutes);
    }
    return tr("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

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
    runLabel = new QLabel(this);
    runLabel->setObjectName(QStringLiteral("runLabel"));
    runLabel->setAccessibleName(tr("Progress of the run"));
    runBar = new QProgressBar(this);
    runBar->setObjectName(QStringLiteral("runBar"));
    runBar->setRange(0, 1000);
    runBar->setTextVisible(false);
    runBar->setAccessibleName(tr("Progress of the run"));
    countsLabel = new QLabel(this);
    countsLabel->setObjectName(QStringLiteral("runCounts"));
    countsLabel->setAccessibleName(tr("Results of the run so far"));
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setAccessibleName(tr("Cancel the verification"));
    cancelButton->setAutoDefault(false);
    auto* const barRow = new QHBoxLayout;
    barRow->addWidget(progressBar, 1);
    barRow->addWidget(cancelButton);
    layout->addWidget(statusLabel);
    layout->addLayout(barRow);
    layout->addWidget(runLabel);
    layout->addWidget(runBar);
    layout->addWidget(countsLabel);
    layout->setAlignment(Qt::AlignCenter);

    QPalette background = palette();
    background.setBrush(QPalette::Window, QBrush(Qt::white));
    setPalette(background);

    setLayout(layout);
    setFixedSize(460, 190);

    qRegisterMetaType<VerifyResult>("VerifyResult");
    worker = std::make_unique<VerifyWorkerThread>();
    connect(worker.get(), &VerifyWorkerThread::startVerifyFile, this,
            &VerifyProgressDlg::startProgress);
    connect(worker.get(), &VerifyWorkerThread::verifyProgress, this,
            &VerifyProgressDlg::updateProgress);
    connect(worker.get(), &VerifyWorkerThread::stopVerifyFile, this,
            &VerifyProgressDlg::finishedProgress);
    connect(worker.get(), &VerifyWorkerThread::verifiedFile, this,
            &VerifyProgressDlg::fileVerified);
    connect(worker.get(), &QThread::finished, this, &VerifyProgressDlg::WorkDone);
    connect(cancelButton, &QPushButton::clicked, this, &VerifyProgressDlg::cancelRun);

    paintTimer.setSingleShot(true);
    paintTimer.setInterval(50);
    connect(&paintTimer, &QTimer::timeout, this, [this] { setUpdatesEnabled(true); });
    // Between results too: the bytes and time left of a large file move.
    runTimer.setInterval(250);
    connect(&runTimer, &QTimer::timeout, this, &VerifyProgressDlg::showRun);
    fileTimer.setSingleShot(true);
    connect(&fileTimer, &QTimer::timeout, this, &VerifyProgressDlg::showFile);
}

void VerifyProgressDlg::holdPainting() {
    // The bar repaints at once on every change; hundreds of small files a
    // second would keep the window busy with nothing but that. A hold ends
    // 50 ms after it began, however many files follow, so the dialog still
    // moves during a stream of them.
    const bool rapid = sinceStart.isValid() && sinceStart.elapsed() < 20;
    sinceStart.start();
    if (rapid && isVisible() && !paintTimer.isActive()) {
        setUpdatesEnabled(false);
        paintTimer.start();
    }
}

// The worker's destructor stops and joins its thread; signals it still
// queued for this dialog are discarded with it.
VerifyProgressDlg::~VerifyProgressDlg() = default;

void VerifyProgressDlg::verifyFiles(const QStringList& files, const QList<qint64>& sizes) {
    if (files.isEmpty()) {
        return;
    }
    if (totalCount == 0) {
        runClock.start();
        runTimer.start();
    }
    const bool sized = sizes.size() == files.size();
    // int in Qt 5, qsizetype in Qt 6.
    using Index = decltype(files.size());
    for (Index i = 0; i < files.size(); ++i) {
        const QString& file = files[i];
        const qint64 known = sized ? sizes[i] : -1;
        // A size not known (no caller looked it up) counts for nothing in
        // the bytes, rather than a look-up on the window's thread.
        const qint64 size = std::max<qint64>(known, 0);
        bytesTotal += size;
        queuedSizes.emplace_back(file, size);
    }
    worker->addFiles(files);
    totalCount += static_cast<int>(files.size());
    showRun();
    emit runStateChanged();
}

QStringList VerifyProgressDlg::stopWorker() {
    const QStringList dropped = worker->stop();
    // Deliver what the ended run still has queued here (its last result and
    // finished()) now, so none of it lands in a later run's counters.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return dropped;
}

void VerifyProgressDlg::endRun() {
    doneCount = 0;
    finishedCount = 0;
    totalCount = 0;
    successes = 0;
    failures = 0;
    notVerified = 0;
    bytesTotal = 0;
    bytesDone = 0;
    currentBytes = 0;
    currentPercent = 0;
    queuedSizes.clear();
    runTimer.stop();
    // The next run names its first file at once.
    fileTimer.stop();
    fileShown.invalidate();
    hide();
    emit runStateChanged();
}

QStringList VerifyProgressDlg::stopVerification() {
    const QStringList dropped = stopWorker();
    endRun();
    return dropped;
}

void VerifyProgressDlg::cancelRun() {
    const QStringList dropped = stopWorker();
    const int inProgress = notVerified;
    endRun();
    emit runCancelled(dropped, inProgress);
}

void VerifyProgressDlg::startProgress(const QString& path) {
    ++doneCount;
    currentPath = path;
    // Files start in the order they were queued; one that was not (a
    // caller of its own) counts no bytes.
    currentBytes = 0;
    if (!queuedSizes.empty() && queuedSizes.front().first == path) {
        currentBytes = queuedSizes.front().second;
        queuedSizes.pop_front();
    }
    currentPercent = 0;
    holdPainting();
    showFileSoon();
    progressBar->setValue(0);
    emit runStateChanged();
}

void VerifyProgressDlg::showFileSoon() {
    if (fileTimer.isActive()) {
        return;  // it shows the file current then
    }
    const qint64 since = fileShown.isValid() ? fileShown.elapsed() : kFileLineMs;
    if (since >= kFileLineMs) {
        showFile();
    } else {
        fileTimer.start(static_cast<int>(kFileLineMs - since));
    }
}

void VerifyProgressDlg::showFile() {
    fileTimer.stop();
    fileShown.start();
    const QString filename =
        QString::fromStdString(displayText(pathBytes(fileNameOf(currentPath)).toStdString()));
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
    statusLabel->setToolTip(QString::fromStdString(displayText(pathBytes(currentPath).toStdString())));
    // With the file's line, so the two never disagree on screen for long.
    showRun();
}

void VerifyProgressDlg::updateProgress(int progress) {
    progressBar->setValue(progress);
    currentPercent = std::clamp(progressBar->value(), 0, 100);
}

void VerifyProgressDlg::finishedProgress(const VerifyResult& result) {
    progressBar->setValue(100);
    ++finishedCount;
    bytesDone += currentBytes;
    currentBytes = 0;
    currentPercent = 0;
    if (result.cancelled()) {
        ++notVerified;
    } else if (result.code() == VerdictCode::Success) {
        ++successes;
    } else {
        ++failures;
    }
    // The lines follow the file's line and the run's timer; the run's last
    // file is shown before the run ends, whatever was held back.
    if (finishedCount >= totalCount) {
        if (fileTimer.isActive()) {
            showFile();
        }
        showRun();
    }
    // Forwarded even while hidden: every queued file ends as a row.
    emit gotVerifyResult(result);
}

void VerifyProgressDlg::fileVerified(const QString& path, const VerifyResult& result) {
    startProgress(path);
    updateProgress(100);
    finishedProgress(result);
}

void VerifyProgressDlg::showRun() {
    if (totalCount == 0) {
        return;
    }
    // By bytes where the files have any, so one large file weighs as it
    // takes; the file in progress counts as far as its walk has got.
    const double partial = static_cast<double>(currentBytes) * currentPercent / 100.0;
    const double share = bytesTotal > 0 ? std::min(1.0, (static_cast<double>(bytesDone) + partial) /
                                                            static_cast<double>(bytesTotal))
                                        : static_cast<double>(finishedCount) / totalCount;
    runBar->setValue(static_cast<int>(share * 1000));
    QString line = tr("%1 of %2 files done").arg(finishedCount).arg(totalCount);
    if (bytesTotal > 0) {
        line +=
            QStringLiteral(" · ") +
            tr("%1 of %2")
                .arg(bytesText(bytesDone + static_cast<qint64>(partial)), bytesText(bytesTotal));
    }
    const QString left = timeLeftText(share, runClock.elapsed());
    if (!left.isEmpty()) {
        line += QStringLiteral(" · ") + left;
    }
    runLabel->setText(line);
    QString counts = tr("Success") + QStringLiteral(": %1   ").arg(successes) + tr("Failed") +
                     QStringLiteral(": %1").arg(failures);
    if (notVerified > 0) {
        counts +=
            QStringLiteral("   ") + tr("Not verified") + QStringLiteral(": %1").arg(notVerified);
    }
    countsLabel->setText(counts);
}

void VerifyProgressDlg::WorkDone() {
    // A batch queued after the worker's finished() but before this slot has
    // started a new run that the counters already include; that run's own
    // finished() will end it.
    if (doneCount < totalCount) {
        return;
    }
    endRun();
}

#include "moc_VerifyProgressDlg.cpp"
