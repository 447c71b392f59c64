#include "ui/EvidencePane.h"

#include <QTextBrowser>
#include <QThread>
#include <QVBoxLayout>

#include "verification/RemadePictures.h"
#include "video/ReportPictures.h"
#include "signature/RecordingEvidence.h"
#include "ui/EvidenceText.h"
#include "ui/FilmstripView.h"
#include "ui/TimelineView.h"

EvidencePane::EvidencePane(QWidget* parent) : QWidget(parent) {
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
    connect(timelineView, &TimelineView::spanClicked, this, &EvidencePane::showRunPicture);
    layout->addWidget(timelineView);
    layout->addWidget(strip);
    layout->addWidget(text, 1);
    setFocusProxy(text);
}

EvidencePane::~EvidencePane() {
    for (QThread* const decoder : findChildren<QThread*>(QString(), Qt::FindDirectChildrenOnly)) {
        decoder->wait();
    }
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
}

void EvidencePane::showRunPicture(int run) {
    if (shown == nullptr || run < 0 || static_cast<size_t>(run) >= shown->runs.size()) {
        return;
    }
    strip->showDecoding();
    const int request = ++requests;
    // The thread holds the evidence it reads; the pane outlives the thread
    // (see the destructor), and a queued call to a destroyed pane is dropped.
    QThread* const decoder = QThread::create([this, evidence = shown, run, request] {
        const ReportPicture picture =
            runPicture(*evidence, evidence->runs[static_cast<size_t>(run)]);
        QMetaObject::invokeMethod(
            this, [this, request, picture] { runPictureDecoded(request, picture); },
            Qt::QueuedConnection);
    });
    decoder->setParent(this);
    connect(decoder, &QThread::finished, decoder, &QObject::deleteLater);
    decoder->start();
}

void EvidencePane::remakePictures() {
    strip->showDecoding();
    const int request = requests;
    QThread* const decoder = QThread::create([this, evidence = shown, request] {
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
    decoder->setParent(this);
    connect(decoder, &QThread::finished, decoder, &QObject::deleteLater);
    decoder->start();
}

void EvidencePane::runPictureDecoded(int request, const ReportPicture& picture) {
    if (request == requests) {
        strip->showClicked(picture);
    }
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
