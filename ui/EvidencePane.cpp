#include "ui/EvidencePane.h"

#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include "verification/RemadePictures.h"
#include "video/ReportPictures.h"
#include "signature/RecordingEvidence.h"
#include "ui/EvidenceText.h"
#include "ui/FilmstripView.h"
#include "ui/TimelineView.h"

namespace {

// The pictures' share of the width until the user sets one: three of them
// beside the text at the default size.
constexpr double kPictureShare = 0.45;

}  // namespace

EvidencePane::EvidencePane(QWidget* parent) : QWidget(parent) {
    // A decoding takes a core; clicks on span after span queue, not pile up.
    decoders.setMaxThreadCount(kDecoders);
    setObjectName(QStringLiteral("evidencePane"));
    setAccessibleName(tr("Evidence of the selected recordings"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto* const layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->setSpacing(2);
    timelineView = new TimelineView(this);
    text = new QTextBrowser(this);
    text->setAccessibleName(tr("Evidence text"));
    text->setOpenLinks(false);
    text->setFrameShape(QFrame::NoFrame);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    strip = new FilmstripView(this);
    connect(strip, &FilmstripView::playRequested, this, &EvidencePane::playRequested);
    connect(timelineView, &TimelineView::playRequested, this, &EvidencePane::playRequested);
    connect(timelineView, &TimelineView::spanClicked, this, &EvidencePane::showRunPicture);
    // The pictures stand beside the text, not above it: at the window's
    // default height a row of pictures above left the text three lines.
    // Without pictures the text takes the whole width.
    beside = new QSplitter(Qt::Horizontal, this);
    beside->setObjectName(QStringLiteral("evidenceSplitter"));
    beside->setChildrenCollapsible(false);
    beside->addWidget(strip);
    beside->addWidget(text);
    beside->setStretchFactor(0, 2);
    beside->setStretchFactor(1, 3);
    strip->setMinimumWidth(170);  // one whole picture
    layout->addWidget(timelineView);
    layout->addWidget(beside, 1);
    // No focus proxy: Tab would then jump from the list straight to the
    // text, past the timeline and filmstrip; focusInEvent hands focus on.
}

EvidencePane::~EvidencePane() {
    // What waits is dropped; at most the pool's few decodings are waited for.
    decoders.clear();
    decoders.waitForDone();
}

void EvidencePane::decode(std::function<void()> work) {
    // Only the latest request is still shown: one waiting for a thread is
    // dropped, and one started meanwhile ends without a result.
    decoders.clear();
    decoders.start(std::move(work));
}

void EvidencePane::showRows(const std::vector<const ResultModel::Row*>& rows) {
    ++requests;
    if (rows.size() == 1) {
        const VerifyResult& result = rows.front()->result;
        shown = result.evidence;
        timelineView->setEvidence(shown);
        strip->setPictures(result.filmstrip ? *result.filmstrip : std::vector<ReportPicture>{});
        text->setHtml(evidenceHtml(*rows.front()));
        if (result.picturesFromFile && result.filmstrip == nullptr && shown != nullptr) {
            remakePictures();
        }
    } else {
        shown = nullptr;
        timelineView->setEvidence(nullptr);
        strip->setPictures({});
        text->setHtml(rows.empty() ? QString() : continuityHtml(rows));
    }
    // Each selection opens at its heading, wherever the last one was read;
    // the text keeps its scrolled place while the pane is shown and its
    // splitters are set, so once more when they are done.
    text->moveCursor(QTextCursor::Start);
    text->verticalScrollBar()->setValue(0);
    QTimer::singleShot(0, text, [this] { text->verticalScrollBar()->setValue(0); });
}

void EvidencePane::showRunPicture(int run) {
    if (shown == nullptr || run < 0 || static_cast<size_t>(run) >= shown->runs.size()) {
        return;
    }
    strip->showDecoding();
    const int request = ++requests;
    // The work holds the evidence it reads; the pane outlives its pool (see
    // the destructor), and a queued call to a destroyed pane is dropped.
    decode([this, evidence = shown, run, request] {
        if (request != requests) {
            return;  // another picture was asked for meanwhile
        }
        const ReportPicture picture =
            runPicture(*evidence, evidence->runs[static_cast<size_t>(run)]);
        QMetaObject::invokeMethod(
            this, [this, request, picture] { runPictureDecoded(request, picture); },
            Qt::QueuedConnection);
    });
}

void EvidencePane::remakePictures() {
    strip->showDecoding();
    const int request = requests;
    decode([this, evidence = shown, request] {
        if (request != requests) {
            return;
        }
        const std::vector<ReportPicture> pictures = remadePictures(*evidence);
        QMetaObject::invokeMethod(
            this,
            [this, request, pictures] {
                if (request == requests) {
                    strip->setPictures(pictures);
                }
            },
            Qt::QueuedConnection);
    });
}

void EvidencePane::runPictureDecoded(int request, const ReportPicture& picture) {
    if (request == requests) {
        strip->showClicked(picture);
    }
}

double EvidencePane::pictureShare() const {
    const QList<int> sizes = beside->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    return strip->isVisible() && total > 0 ? static_cast<double>(sizes.value(0)) / total : -1.0;
}

void EvidencePane::setPictureShare(double share) {
    // The splitter shares out its width by these weights, whatever it is now.
    const double used = share > 0.1 && share < 0.9 ? share : kPictureShare;
    const int pictures = static_cast<int>(1000 * used);
    beside->setSizes({pictures, 1000 - pictures});
}

QWidget* EvidencePane::textView() const {
    return text;
}

QString EvidencePane::plainText() const {
    return text->toPlainText();
}

void EvidencePane::copySelectedText() {
    text->copy();
}

void EvidencePane::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    text->setFocus();
}

#include "moc_EvidencePane.cpp"
