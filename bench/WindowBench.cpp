// telvar_window_bench [N [LIMIT_S [RATE]]]: how the window copes with N
// results (default 10,000) arriving as fast as a producer can send them, or
// RATE per second.
// telvar_window_bench --open-case FILE: time to open a case file in the
// window with every row listed, then to show the middle row's evidence
// (read from the case on demand), then to sort by serial number as a click
// on its title does (every row's evidence read), and the peak memory.
// telvar_window_bench --verify FILE|FOLDER...: wall time for the window to
// verify and list the files (a folder as Add Folder walks it), for comparison
// with telvar-verify on the same files. A producer thread
// delivers the results through the progress dialog's slots, as the worker
// does; a 5 ms timer on the GUI thread records the longest gap between its
// ticks, and the longest single event (the worst stalls). Prints the GUI thread's CPU time, the
// wall time from the producer's last result to the last row listed, and that stall. Runs offscreen
// unless QT_QPA_PLATFORM says otherwise.
// telvar_window_bench --export N FORMAT OUT FILE...: writes an export
// (pdf, html, csv or json) of N rows made from the evidence of the FILEs
// taken in turn, each row its own copy as in a real list, on a thread as
// the Export button does, while a 5 ms timer on the GUI thread records its
// longest gap. Prints the wall time, the file's size and the resident
// memory before and at its peak (run under /usr/bin/time -v for the
// whole process).
// telvar_window_bench --export-case CASE FORMAT OUT: the same for every row
// of a reopened case, with the time the GUI thread takes before the writing
// starts.
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <QFile>
#include <QFileInfo>
#include <sys/resource.h>

#include "ui/CaseMenu.h"
#include "ui/HeapTuning.h"
#include "ui/MorlAuthenticator.h"
#include "ui/NResultTree.h"
#include "ui/RecordingDrop.h"
#include "ui/ReportExport.h"
#include "verification/VerifyProgressDlg.h"
#include "video/ReportPictures.h"

namespace {

// The longest single event the GUI thread handled at the top of its loop:
// nothing else, input included, can run meanwhile.
class TimedApplication : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        // Events of other threads (the case's recorder) stall nothing here.
        if (QThread::currentThread() != thread()) {
            return QApplication::notify(receiver, event);
        }
        if (depth++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth;
            return handled;
        }
        QElapsedTimer timer;
        timer.start();
        const bool handled = QApplication::notify(receiver, event);
        longestEvent = std::max(longestEvent, timer.elapsed());
        --depth;
        return handled;
    }

    qint64 longestEvent = 0;

  private:
    int depth = 0;
};

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

VerifyResult sampleResult(int index) {
    const QByteArray name = "recording-" + QByteArray::number(index) + ".mkv";
    RecordingEvidence evidence;
    evidence.verdict.code = index % 7 == 0 ? VerdictCode::Mismatch : VerdictCode::Success;
    evidence.verdict.startTime = "2026-12-01 08:00:00";
    evidence.verdict.endTime = "2026-12-01 09:00:00";
    evidence.verdict.serialNumber = "TLV-0001234";
    if (evidence.verdict.code != VerdictCode::Success) {
        evidence.verdict.detail = "cluster 3 at offset 4096: signature does not match";
    }
    return VerifyResult(name, std::move(evidence));
}

// Queues the files as a drop does and times them until every row is listed.
// Folders count as the recordings in them, as Add Folder finds them.
int verifyFiles(TimedApplication& app, const QStringList& files) {
    const auto expected = collectRecordings(files).files.size();
    MorlAuthenticator window;
    window.caseMenu()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Discard; };
    window.show();
    const QAbstractItemModel* const rows = window.findChild<QAbstractItemView*>()->model();
    qint64 worstGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
    ticker.start(5);
    QElapsedTimer run;
    run.start();
    const double cpuStart = threadCpuSeconds();
    QMetaObject::invokeMethod(&window, "verifyFileList", Q_ARG(QStringList, files));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (rows->rowCount() >= expected) {
            std::printf(
                "window: %d files verified and listed in %.3f s  GUI CPU %.2f s  longest timer "
                "gap %lld ms  longest event %lld ms\n",
                rows->rowCount(), static_cast<double>(run.elapsed()) / 1000.0,
                threadCpuSeconds() - cpuStart,
                static_cast<long long>(std::max(worstGap, sinceTick.elapsed())),
                static_cast<long long>(app.longestEvent));
            app.quit();
        }
    });
    poll.start(1);
    return app.exec();
}

// "VmRSS" or "VmHWM" of this process, in MiB.
double memoryMiB(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            return line.mid(static_cast<int>(qstrlen(key)) + 1)
                       .trimmed()
                       .split(' ')
                       .front()
                       .toDouble() /
                   1024.0;
        }
    }
    return 0;
}

ExportFormat formatNamed(const QString& format) {
    return format == QLatin1String("html")   ? ExportFormat::Html
           : format == QLatin1String("csv")  ? ExportFormat::Csv
           : format == QLatin1String("json") ? ExportFormat::Json
                                             : ExportFormat::Pdf;
}

int timedExport(QApplication& app, const std::vector<VerifyResult>& rows,
                const ExportRequest& request, const QString& format, double preparedIn);

int exportRowsBench(QApplication& app, int total, const QString& format, const QString& out,
                    const QStringList& files) {
    std::vector<VerifyResult> samples;
    for (const QString& file : files) {
        ExamineOptions options;
        options.keepClusters = true;
        RecordingEvidence evidence =
            examineRecording(QFile::encodeName(file).toStdString(), options);
        auto strip = std::make_shared<const std::vector<ReportPicture>>(reportPictures(evidence));
        evidence.clusters = {};
        VerifyResult result(QFile::encodeName(QFileInfo(file).fileName()), std::move(evidence));
        result.path = QFileInfo(file).absoluteFilePath();
        result.verifiedAt = QDateTime::currentDateTimeUtc();
        result.filmstrip = strip;
        samples.push_back(result);
    }
    if (samples.empty()) {
        return 2;
    }
    std::vector<VerifyResult> rows;
    rows.reserve(static_cast<size_t>(total));
    for (int i = 0; i < total; ++i) {
        VerifyResult row = samples[static_cast<size_t>(i) % samples.size()];
        auto evidence = std::make_shared<RecordingEvidence>(*row.evidence);
        evidence->identity.path += "." + std::to_string(i);
        row.evidence = std::move(evidence);
        rows.push_back(std::move(row));
    }
    ExportRequest request;
    request.format = formatNamed(format);
    request.path = out;
    request.examiner = QStringLiteral("Bench");
    return timedExport(app, rows, request, format, 0);
}

// Writes `request` of `rows` on a thread, as the Export button does, while a
// 5 ms timer on the GUI thread records its longest gap; prints the figures,
// with the time the GUI thread spent before the writing started.
int timedExport(QApplication& app, const std::vector<VerifyResult>& rows,
                const ExportRequest& request, const QString& format, double preparedIn) {
    const double before = memoryMiB("VmRSS:");
    qint64 worstGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
    ticker.start(5);
    ExportProgress progress;
    QString error;
    QElapsedTimer run;
    run.start();
    const std::unique_ptr<QThread> writer(
        QThread::create([&] { error = writeExport(rows, request, &progress); }));
    QObject::connect(writer.get(), &QThread::finished, &app, &QApplication::quit);
    writer->start();
    app.exec();
    writer->wait();
    std::printf(
        "export %s of %zu rows: %.2f s (GUI thread before it %.2f s)  %lld bytes  RSS before "
        "%.0f MiB  peak %.0f MiB  longest GUI timer gap %lld ms%s%s\n",
        qPrintable(format), rows.size(), static_cast<double>(run.elapsed()) / 1000.0, preparedIn,
        static_cast<long long>(QFileInfo(request.path).size()), before, memoryMiB("VmHWM:"),
        static_cast<long long>(worstGap), error.isEmpty() ? "" : "  error: ", qPrintable(error));
    return error.isEmpty() ? 0 : 1;
}

// Every row of a reopened case exported as the Export button does: the
// case's part (custody, the head) and the rows taken on the GUI thread,
// the rest on the writer's.
int exportCase(QApplication& app, const QString& path, const QString& format, const QString& out) {
    MorlAuthenticator window;
    window.caseMenu()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Discard; };
    if (!window.caseMenu()->openCase(path)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }
    const ResultModel& model = *window.findChild<NResultTree*>()->resultModel();
    ExportRequest request;
    request.format = formatNamed(format);
    request.path = out;
    request.examiner = QStringLiteral("Bench");
    for (int row = 0; row < model.rowCount(); ++row) {
        request.rows.push_back(row);
    }
    QElapsedTimer prepared;
    prepared.start();
    window.caseMenu()->prepareExport(request);
    const std::vector<VerifyResult> rows = exportRows(model, request.rows);
    return timedExport(app, rows, request, format,
                       static_cast<double>(prepared.nsecsElapsed()) / 1e9);
}

// Opening as the Case menu does, and selecting as a click does; the
// window is shown, so the first screen of rows is painted within the time.
int openCase(const QString& path) {
    MorlAuthenticator window;
    window.show();
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    if (!window.caseMenu()->openCase(path)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        return 1;
    }
    QCoreApplication::processEvents();
    const double opened = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    auto* const tree = window.findChild<NResultTree*>();
    const int rows = tree->model()->rowCount();
    timer.restart();
    tree->setCurrentIndex(tree->model()->index(rows / 2, 0));
    QCoreApplication::processEvents();
    const double selected = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    // Sorting by a column of the tag reads every row's stored evidence.
    timer.restart();
    tree->header()->setSortIndicator(3, Qt::AscendingOrder);  // as a click on its title
    QCoreApplication::processEvents();
    const double sorted = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("window: %d rows listed in %.3f s; middle row's evidence shown in %.4f s; "
                "sorted by serial number in %.3f s; peak RSS %ld KiB\n",
                rows, opened, selected, sorted, usage.ru_maxrss);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    keepHeapPadding();  // as the program does
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TimedApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--open-case") == 0) {
        return openCase(QString::fromLocal8Bit(argv[2]));
    }
    if (argc > 5 && qstrcmp(argv[1], "--export") == 0) {
        QStringList files;
        for (int i = 5; i < argc; ++i) {
            files << QString::fromLocal8Bit(argv[i]);
        }
        return exportRowsBench(app, std::atoi(argv[2]), QString::fromLocal8Bit(argv[3]),
                               QString::fromLocal8Bit(argv[4]), files);
    }
    if (argc == 5 && qstrcmp(argv[1], "--export-case") == 0) {
        return exportCase(app, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                          QString::fromLocal8Bit(argv[4]));
    }
    if (argc > 2 && qstrcmp(argv[1], "--verify") == 0) {
        // By their bytes, as the window takes its own arguments.
        return verifyFiles(app, argumentPaths(argc - 1, argv + 1));
    }
    const int total = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int limitSeconds = argc > 2 ? std::atoi(argv[2]) : 300;
    // Results per second from the producer; 0 sends them as fast as it can.
    const int rate = argc > 3 ? std::atoi(argv[3]) : 0;

    MorlAuthenticator window;
    // Quitting closes the window, which would offer to save its temporary case.
    window.caseMenu()->unsavedChoice = [] { return CaseMenu::UnsavedChoice::Discard; };
    window.show();
    auto* const dialog = window.findChild<VerifyProgressDlg*>();
    dialog->show();  // its label and bar repaint per file, as in a run
    const QAbstractItemModel* const rows = window.findChild<QAbstractItemView*>()->model();

    // The dialog counts the run as the window's queueing would.
    QStringList names;
    for (int i = 0; i < total; ++i) {
        names << QString::number(i);
    }

    qint64 worstGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
    ticker.start(5);

    std::atomic<bool> producerDone{false};
    QElapsedTimer sinceLast;
    QElapsedTimer run;
    run.start();
    const double cpuStart = threadCpuSeconds();
    const std::unique_ptr<QThread> producer(QThread::create([&] {
        for (int i = 0; i < total; ++i) {
            const VerifyResult result = sampleResult(i);
            QMetaObject::invokeMethod(dialog, "startProgress", Qt::QueuedConnection,
                                      Q_ARG(QString, QString::fromUtf8(result.fileName)));
            QMetaObject::invokeMethod(dialog, "finishedProgress", Qt::QueuedConnection,
                                      Q_ARG(VerifyResult, result));
            if (rate > 0) {
                QThread::usleep(static_cast<unsigned long>(1000000 / rate));
            } else if (i % 100 == 99) {
                QThread::usleep(1000);
            }
        }
        sinceLast.start();
        producerDone = true;
    }));
    producer->start();

    int status = 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const bool done = producerDone && rows->rowCount() >= total;
        if (done || run.elapsed() > limitSeconds * 1000LL) {
            // A loop too busy for the ticker shows here as one long gap.
            worstGap = std::max(worstGap, sinceTick.elapsed());
        }
        if (done) {
            const double afterLast = static_cast<double>(sinceLast.elapsed()) / 1000.0;
            std::printf(
                "results %d  rows %d  wall %.2f s  GUI CPU %.2f s  after last result %.3f s"
                "  longest timer gap %lld ms  longest event %lld ms\n",
                total, rows->rowCount(), static_cast<double>(run.elapsed()) / 1000.0,
                threadCpuSeconds() - cpuStart, afterLast, static_cast<long long>(worstGap),
                static_cast<long long>(app.longestEvent));
            status = 0;
            app.quit();
        } else if (run.elapsed() > limitSeconds * 1000LL) {
            std::printf(
                "results %d  rows %d after %d s: gave up  GUI CPU %.2f s  longest timer "
                "gap %lld ms  longest event %lld ms\n",
                total, rows->rowCount(), limitSeconds, threadCpuSeconds() - cpuStart,
                static_cast<long long>(worstGap), static_cast<long long>(app.longestEvent));
            app.quit();
        }
    });
    poll.start(1);
    app.exec();
    producer->wait();
    return status;
}
