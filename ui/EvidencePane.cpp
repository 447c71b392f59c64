#include "ui/EvidencePane.h"

#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/EvidenceText.h"
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
    layout->addWidget(timelineView);
    layout->addWidget(text, 1);
    setFocusProxy(text);
}

void EvidencePane::showRows(const std::vector<const ResultModel::Row*>& rows) {
    if (rows.size() == 1) {
        timelineView->setEvidence(rows.front()->result.evidence);
        text->setHtml(evidenceHtml(*rows.front()));
    } else {
        timelineView->setEvidence(nullptr);
        text->setHtml(rows.empty() ? QString() : continuityHtml(rows));
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
