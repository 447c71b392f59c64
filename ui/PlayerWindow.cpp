#include "ui/PlayerWindow.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

#include "report/Timeline.h"
#include "report/Wording.h"
#include "signature/RecordingEvidence.h"
#include "ui/FrameView.h"
#include "ui/PlayerWorker.h"
#include "ui/ResultText.h"
#include "ui/TimelineView.h"
#include "verification/PathBytes.h"

namespace {

bool sameStanding(const nvr::FrameEntry& a, const nvr::FrameEntry& b) {
    return a.standing == b.standing;
}

}  // namespace

PlayerWindow::PlayerWindow(const QString& path, std::optional<int64_t> cluster, QWidget* parent)
    : QDialog(parent), recordingPath(path), startCluster(cluster) {
    setWindowTitle(tr("Player: %1").arg(fileNameOf(path)));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* const layout = new QVBoxLayout(this);
    view = new FrameView(this);
    view->setMessage(tr("Verifying and indexing the recording…"));
    layout->addWidget(view, 1);
    headsUp = new QLabel(this);
    headsUp->setObjectName(QStringLiteral("playerHeadsUp"));
    headsUp->setTextFormat(Qt::RichText);
    headsUp->setAccessibleName(tr("Frame"));
    headsUp->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(headsUp);
    bar = new TimelineView(this);
    bar->setAccessibleName(tr("Authenticity timeline"));
    layout->addWidget(bar);

    auto* const buttons = new QHBoxLayout;
    const auto button = [&](const QString& text, const QString& name, const QString& keys,
                            auto action) {
        auto* const tool = new QToolButton(this);
        tool->setText(text);
        tool->setAccessibleName(name);
        tool->setToolTip(keys.isEmpty() ? name : tr("%1 (%2)").arg(name, keys));
        tool->setFocusPolicy(Qt::StrongFocus);
        connect(tool, &QToolButton::clicked, this, action);
        buttons->addWidget(tool);
        return tool;
    };
    button(tr("|◀"), tr("First frame"), tr("Home"), [this] { goTo(1); });
    button(tr("◀◀"), tr("Previous change of standing"), tr("P"), [this] { nextChange(false); });
    button(tr("◀"), tr("Previous frame"), tr(","), [this] { step(-1); });
    button(tr("Play"), tr("Play or pause"), tr("Space"), [this] { togglePlay(); })
        ->setObjectName(QStringLiteral("playButton"));
    button(tr("▶"), tr("Next frame"), tr("."), [this] { step(1); });
    button(tr("▶▶"), tr("Next change of standing"), tr("N"), [this] { nextChange(true); });
    button(tr("▶|"), tr("Last frame"), tr("End"),
           [this] { goTo(index ? static_cast<int64_t>(index->frames.size()) : 1); });
    button(tr("Go to…"), tr("Go to a stated time"), tr("G"), [this] { askStatedTime(); });
    buttons->addStretch(1);
    button(tr("Fit"), tr("Fit the picture"), tr("0"), [this] { view->setZoom(0); });
    button(tr("100%"), tr("Zoom to 100%"), tr("1"), [this] { view->setZoom(1); });
    button(tr("Zoom in"), tr("Zoom in"), tr("+"), [this] { view->zoomIn(); });
    button(tr("Export still…"), tr("Export the still with its record"), tr("Ctrl+Shift+E"),
           [this] { exportStill(); });
    layout->addLayout(buttons);
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("playerStatus"));
    status->setAccessibleName(tr("Status"));
    status->setTextFormat(Qt::PlainText);
    status->setWordWrap(true);
    layout->addWidget(status);
    buildKeys();

    worker = std::make_unique<PlayerWorker>(path);
    connect(worker.get(), &PlayerWorker::opened, this, &PlayerWindow::opened);
    connect(worker.get(), &PlayerWorker::pictureReady, this, &PlayerWindow::pictureReady);
    connect(worker.get(), &PlayerWorker::stillWritten, this, &PlayerWindow::stillWritten);
    connect(worker.get(), &PlayerWorker::playbackStopped, this,
            [this] { status->setText(tr("End of the recording.")); });
    connect(bar, &TimelineView::positionPicked, this, &PlayerWindow::positionPicked);
    worker->start();
}

PlayerWindow::~PlayerWindow() = default;

void PlayerWindow::buildKeys() {
    const auto key = [this](const QKeySequence& keys, auto action) {
        auto* const shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    key(QKeySequence(Qt::Key_Space), [this] { togglePlay(); });
    key(QKeySequence(Qt::Key_Comma), [this] { step(-1); });
    key(QKeySequence(Qt::Key_Period), [this] { step(1); });
    // Shift with comma and period, and what they type on most layouts.
    key(QKeySequence(QStringLiteral("Shift+,")), [this] { stepSeconds(-1); });
    key(QKeySequence(QStringLiteral("Shift+.")), [this] { stepSeconds(1); });
    key(QKeySequence(Qt::Key_Less), [this] { stepSeconds(-1); });
    key(QKeySequence(Qt::Key_Greater), [this] { stepSeconds(1); });
    key(QKeySequence(Qt::Key_Home), [this] { goTo(1); });
    key(QKeySequence(Qt::Key_End),
        [this] { goTo(index ? static_cast<int64_t>(index->frames.size()) : 1); });
    key(QKeySequence(Qt::Key_N), [this] { nextChange(true); });
    key(QKeySequence(Qt::Key_P), [this] { nextChange(false); });
    key(QKeySequence(Qt::Key_G), [this] { askStatedTime(); });
    key(QKeySequence(QStringLiteral("Ctrl+Shift+E")), [this] { exportStill(); });
    key(QKeySequence(Qt::Key_0), [this] { view->setZoom(0); });
    key(QKeySequence(Qt::Key_1), [this] { view->setZoom(1); });
    key(QKeySequence(Qt::Key_Plus), [this] { view->zoomIn(); });
    key(QKeySequence(Qt::Key_Equal), [this] { view->zoomIn(); });
}

void PlayerWindow::opened() {
    evidence = worker->evidence();
    index = worker->index();
    if (index->frames.empty()) {
        view->setMessage(tr("No frames to show: %1").arg(textOf(index->error)));
        return;
    }
    if (!index->error.empty()) {
        status->setText(tr("The index stops early: %1").arg(textOf(index->error)));
    }
    // Each frame's run, for the play-head: runs sorted by their first cluster.
    std::vector<int> order(evidence->runs.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return evidence->runs[size_t(a)].firstCluster < evidence->runs[size_t(b)].firstCluster;
    });
    runFrames.assign(evidence->runs.size(), {0, 0});
    frameRun.assign(index->frames.size(), -1);
    for (const nvr::FrameEntry& entry : index->frames) {
        if (!entry.cluster) {
            continue;
        }
        const auto at = std::upper_bound(order.begin(), order.end(), *entry.cluster,
                                         [&](int64_t cluster, int run) {
                                             return cluster < evidence->runs[size_t(run)].firstCluster;
                                         });
        if (at == order.begin()) {
            continue;
        }
        const int run = *(at - 1);
        if (*entry.cluster > evidence->runs[size_t(run)].lastCluster) {
            continue;
        }
        frameRun[size_t(entry.frame - 1)] = run;
        auto& [first, last] = runFrames[size_t(run)];
        first = first == 0 ? entry.frame : std::min(first, entry.frame);
        last = std::max(last, entry.frame);
    }
    bar->setEvidence(evidence);
    int64_t start = 1;
    if (startCluster) {
        for (const nvr::FrameEntry& entry : index->frames) {
            if (entry.cluster == startCluster) {
                start = entry.frame;
                break;
            }
        }
    }
    goTo(start);
}

void PlayerWindow::goTo(int64_t frame) {
    if (!index || index->frames.empty()) {
        return;
    }
    requested = std::clamp<int64_t>(frame, 1, static_cast<int64_t>(index->frames.size()));
    worker->show(requested);
}

void PlayerWindow::step(int64_t frames) {
    if (worker->playing()) {
        togglePlay();
    }
    goTo(requested + frames);
}

void PlayerWindow::stepSeconds(int seconds) {
    const nvr::FrameEntry* entry = index ? index->find(requested) : nullptr;
    const std::optional<double> at = entry ? index->secondsOf(*entry) : std::nullopt;
    if (!at) {
        step(seconds * 25);
        return;
    }
    const double target = *at + seconds;
    const auto& frames = index->frames;
    // Frames are in pts order, so their times rise.
    const auto found = std::lower_bound(frames.begin(), frames.end(), target,
                                        [&](const nvr::FrameEntry& e, double t) {
                                            return index->secondsOf(e).value_or(0.0) < t;
                                        });
    goTo(found == frames.end() ? static_cast<int64_t>(frames.size()) : found->frame);
}

void PlayerWindow::nextChange(bool forward) {
    if (!index || index->frames.empty()) {
        return;
    }
    const auto& frames = index->frames;
    const int64_t count = static_cast<int64_t>(frames.size());
    int64_t at = requested;
    if (forward) {
        while (at < count && sameStanding(frames[size_t(at - 1)], frames[size_t(at)])) {
            ++at;
        }
        if (at < count) {
            goTo(at + 1);
        } else {
            status->setText(tr("No later change of standing."));
        }
        return;
    }
    // Back to the start of this standing's stretch, or of the one before.
    if (at > 1 && !sameStanding(frames[size_t(at - 2)], frames[size_t(at - 1)])) {
        --at;
    }
    while (at > 1 && sameStanding(frames[size_t(at - 2)], frames[size_t(at - 1)])) {
        --at;
    }
    goTo(at);
}

bool PlayerWindow::goToStatedTime(const QString& text) {
    if (!index) {
        return false;
    }
    const std::string wanted = text.trimmed().toStdString();
    // "YYYY-MM-DD hh:mm:ss.mmm": a time of day alone compares with its end.
    const bool withDate = wanted.find('-') != std::string::npos;
    for (const nvr::FrameEntry& entry : index->frames) {
        const std::string stated = index->statedTime(entry);
        if (stated.size() < 19) {
            continue;
        }
        const std::string key = withDate ? stated : stated.substr(11);
        if (key.compare(0, wanted.size(), wanted) >= 0) {
            goTo(entry.frame);
            return true;
        }
    }
    status->setText(tr("No frame is stated at or after %1.").arg(text));
    return false;
}

void PlayerWindow::askStatedTime() {
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, tr("Go to a stated time"),
                              tr("Time as stated (hh:mm:ss, or YYYY-MM-DD hh:mm:ss):"),
                              QLineEdit::Normal, QString(), &ok);
    if (ok && !text.trimmed().isEmpty()) {
        goToStatedTime(text);
    }
}

bool PlayerWindow::isPlaying() const {
    return worker->playing();
}

void PlayerWindow::togglePlay() {
    if (!index || index->frames.empty()) {
        return;
    }
    if (worker->playing()) {
        worker->pause();
        status->clear();
    } else {
        const int64_t last = static_cast<int64_t>(index->frames.size());
        worker->play(requested >= last ? 1 : requested);
        status->setText(tr("Playing at the recording's speed; frames are skipped when decoding "
                           "falls behind."));
    }
}

void PlayerWindow::pictureReady(qint64 frame, const QImage& image, const QString& reason) {
    worker->pictureTaken();
    const nvr::FrameEntry* entry = index ? index->find(frame) : nullptr;
    if (entry == nullptr) {
        return;
    }
    shown = frame;
    if (worker->playing()) {
        requested = frame;
    }
    const QString word = QString::fromLatin1(frameStandingWord(entry->standing));
    const QColor colour(QLatin1String(frameStandingColour(entry->standing)));
    if (image.isNull()) {
        view->setMessage(tr("Frame %1: no picture: %2").arg(frame).arg(reason));
    } else if (entry->standing == ClusterStanding::Proven) {
        view->setPicture(image, QString(), colour);
    } else {
        QString banner = tr("NOT PROVEN: %1").arg(word);
        if (entry->dependsOn) {
            banner += tr(" (decoded from frame %1)").arg(*entry->dependsOn);
        }
        view->setPicture(image, banner, colour);
    }
    updateHeadsUp(frame);
    const int run = frameRun.empty() ? -1 : frameRun[size_t(frame - 1)];
    if (run >= 0) {
        const auto [first, last] = runFrames[size_t(run)];
        bar->setPlayHead(run, last > first ? double(frame - first) / double(last - first) : 0.0);
    } else {
        bar->setPlayHead(-1, 0.0);
    }
    emit frameShown(frame);
}

void PlayerWindow::updateHeadsUp(int64_t frame) {
    const nvr::FrameEntry& entry = *index->find(frame);
    const QString word = QString::fromLatin1(frameStandingWord(entry.standing));
    const QColor colour(QLatin1String(frameStandingColour(entry.standing)));
    QString text = tr("Frame <b>%1</b> of %2").arg(frame).arg(index->frames.size());
    text += tr(" · pts %1 (%2)").arg(entry.pts).arg(textOf(nvr::timeBaseText(index->timeBase)));
    const std::string stated = index->statedTime(entry);
    if (!stated.empty()) {
        text += tr(" · %1 as stated").arg(textOf(stated).toHtmlEscaped());
    }
    text += entry.cluster ? tr(" · cluster %1").arg(*entry.cluster) : tr(" · no cluster");
    text += QStringLiteral(" · <span style=\"background-color:%1;color:%2\">&nbsp;%3&nbsp;</span>")
                .arg(colour.name(), colour.lightness() > 150 ? QStringLiteral("#000000")
                                                              : QStringLiteral("#ffffff"),
                     word.toHtmlEscaped());
    if (entry.dependsOn) {
        text += tr(" from frame %1").arg(*entry.dependsOn);
    }
    headsUp->setText(text);
    headsUp->setAccessibleDescription(headsUpText());
}

QString PlayerWindow::headsUpText() const {
    QString plain = headsUp->text();
    plain.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return plain.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
}

QString PlayerWindow::statusText() const {
    return status->text();
}

void PlayerWindow::positionPicked(int run, double fraction) {
    if (run < 0 || size_t(run) >= runFrames.size() || runFrames[size_t(run)].first == 0) {
        return;
    }
    const auto [first, last] = runFrames[size_t(run)];
    goTo(first + static_cast<int64_t>(fraction * double(last - first) + 0.5));
}

void PlayerWindow::exportStill() {
    if (!index || index->find(requested) == nullptr) {
        return;
    }
    const int64_t frame = requested;
    QString target;
    if (stillPath) {
        target = stillPath(frame);
    } else {
        const QString suggested = recordingPath.left(recordingPath.lastIndexOf(QLatin1Char('.'))) +
                                  QStringLiteral("-frame-%1.png").arg(frame);
        target = QFileDialog::getSaveFileName(this, tr("Export the still of frame %1").arg(frame),
                                              suggested, tr("PNG pictures (*.png)"));
    }
    if (target.isEmpty()) {
        return;
    }
    status->setText(tr("Writing the still of frame %1…").arg(frame));
    worker->exportStill(frame, target);
}

void PlayerWindow::stillWritten(qint64 frame, const QString& pngPath, const QString& pngSha256,
                                const QString& rgbSha256, const QString& recordSha256,
                                const QString& error) {
    if (!error.isEmpty()) {
        status->setText(tr("The still of frame %1 is not written: %2").arg(frame).arg(error));
    } else {
        status->setText(tr("Frame %1 written to %2 with its record (PNG SHA-256 %3).")
                            .arg(frame)
                            .arg(pngPath, pngSha256));
        if (stillRecorded) {
            stillRecorded(pngPath, pngSha256, rgbSha256, recordSha256);
        }
    }
    emit stillFinished(error);
}

#include "moc_PlayerWindow.cpp"
