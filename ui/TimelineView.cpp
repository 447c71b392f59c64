#include "ui/TimelineView.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "report/Escape.h"
#include "report/Timeline.h"
#include "report/TimelineSvg.h"
#include "report/Wording.h"
#include "signature/RecordingEvidence.h"
#include "ui/ResultText.h"

namespace {

// The widget's bar starts where the report's does and leaves as much room
// on its right; the legend goes under the tick labels.
constexpr int kLeft = kTimelineBarLeft;
constexpr int kTop = kTimelineBarTop;
constexpr int kBarHeight = kTimelineBarHeight;
constexpr int kTickRoom = 22;
constexpr int kLegendRoom = 20;

int barWidthOf(int width) {
    return std::max(1, width - 2 * kLeft);
}

void paintBar(QPainter& painter, const RecordingEvidence& evidence, int width) {
    const Timeline timeline = timelineOf(evidence, width);
    for (const TimelineSpan& span : timeline.spans) {
        // A split span: the failure above, what its stated times overlap below.
        const TimelineHalves halves = timelineHalves(kBarHeight);
        painter.fillRect(QRect(kLeft + span.x0, kTop, span.x1 - span.x0,
                               span.beneath ? halves.upperHeight : kBarHeight),
                         QColor(QLatin1String(timelineColour(span.mark))));
        if (span.beneath) {
            painter.fillRect(QRect(kLeft + span.x0, kTop + halves.lowerTop, span.x1 - span.x0,
                                   halves.lowerHeight),
                             QColor(QLatin1String(timelineColour(*span.beneath))));
        }
    }
    painter.setPen(QColor(QStringLiteral("#595959")));  // the tick labels are read as text
    painter.drawRect(QRect(kLeft, kTop, width, kBarHeight));
    const QFontMetrics metrics(painter.font());
    for (const TimelineTick& tick : timeline.ticks) {
        const int x = kLeft + tick.x;
        painter.drawLine(x, kTop + kBarHeight, x, kTop + kBarHeight + 4);
        const QString label = textOf(tick.label);
        const int half = metrics.horizontalAdvance(label) / 2;
        // Labels at the ends stay whole inside the picture.
        const int left = std::clamp(x - half, 0, kLeft * 2 + width - 2 * half);
        painter.drawText(QRect(left, kTop + kBarHeight + 5, 2 * half + 2, kTickRoom - 5),
                         Qt::AlignLeft | Qt::AlignTop, label);
    }
}

// The marks this recording's bar shows; returns where the legend ends.
int paintLegend(QPainter& painter, const RecordingEvidence& evidence, int top) {
    int x = kLeft;
    const QFontMetrics metrics(painter.font());
    for (const TimelineMark mark : marksShown(evidence)) {
        painter.fillRect(QRect(x, top + 4, 12, 12), QColor(QLatin1String(timelineColour(mark))));
        const QString label = QString::fromLatin1(timelineLabel(mark));
        painter.setPen(QColor(QStringLiteral("#333333")));
        painter.drawText(QRect(x + 16, top, metrics.horizontalAdvance(label) + 4, kLegendRoom),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
        x += 16 + metrics.horizontalAdvance(label) + 18;
    }
    return x;
}

// A key change: a black diamond astride the bar's lower edge, with a white
// rim so it shows on any colour, over a line through the bar.
constexpr char kKeyChangeColour[] = "#000000";

void paintKeyDiamond(QPainter& painter, int x, int y) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::white);
    painter.setBrush(QColor(QLatin1String(kKeyChangeColour)));
    const QPointF diamond[] = {{x + 0.5, y - 6.0}, {x + 6.5, y + 0.0}, {x + 0.5, y + 6.0},
                               {x - 5.5, y + 0.0}};
    painter.drawPolygon(diamond, 4);
    painter.restore();
}

void paintKeyChange(QPainter& painter, int x) {
    painter.fillRect(QRect(x - 1, kTop, 3, kBarHeight), Qt::white);
    painter.fillRect(QRect(x, kTop, 1, kBarHeight), QColor(QLatin1String(kKeyChangeColour)));
    paintKeyDiamond(painter, x, kTop + kBarHeight);
}

// The run under axis position `at`, where the bar draws it. A failure wins
// over the verified run it borders or overlaps, as on the bar, except in
// the lower half of a split span, which shows what lies beneath it.
int runAt(const RecordingEvidence& evidence, const Timeline& timeline, double at, bool beneath) {
    // A link that holds, a cluster in its sealed order after inserted ones included.
    const auto holds = [&evidence](size_t i) {
        const ClusterStanding standing = standingOf(evidence.runs[i], evidence.proofKey);
        return standing == ClusterStanding::Proven || standing == ClusterStanding::Sealed ||
               standing == ClusterStanding::LinkHolds;
    };
    int found = -1;
    for (size_t i = 0; i < timeline.extents.size() && i < evidence.runs.size(); ++i) {
        const TimelineExtent& extent = timeline.extents[i];
        if (at >= extent.from && at <= extent.to) {
            const bool verified = holds(i);
            const bool foundVerified = found >= 0 && holds(static_cast<size_t>(found));
            if (found < 0 || (beneath ? verified && !foundVerified : foundVerified)) {
                found = static_cast<int>(i);
            }
        }
    }
    return found;
}

}  // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Timeline of the recording"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TimelineView::setEvidence(std::shared_ptr<const RecordingEvidence> newEvidence) {
    evidence = std::move(newEvidence);
    current = -1;
    playRun = -1;
    setVisible(evidence != nullptr && !evidence->runs.empty());
    // Already holding the focus (the player's bar, before its recording
    // opened): the keys start from the first span, as after a focus-in.
    if (hasFocus()) {
        setCurrent(0);
    }
    update();
}

QSize TimelineView::sizeHint() const {
    return {kTimelineWidth, kTop + kBarHeight + kTickRoom + kLegendRoom};
}

QSize TimelineView::minimumSizeHint() const {
    return {300, sizeHint().height()};
}

void TimelineView::paintEvent(QPaintEvent*) {
    if (evidence == nullptr) {
        return;
    }
    QPainter painter(this);
    paintBar(painter, *evidence, barWidthOf(width()));
    const int legendTop = kTop + kBarHeight + kTickRoom;
    const int legendEnd = paintLegend(painter, *evidence, legendTop);
    bool keyChanges = false;
    for (int run = 0; run < runCount(); ++run) {
        if (keyChangeIn(run) != nullptr) {
            paintKeyChange(painter, spanRect(run).left() + 2);
            keyChanges = true;
        }
    }
    if (keyChanges) {
        paintKeyDiamond(painter, legendEnd + 6, legendTop + 10);
        const QString label = tr("another trusted key from here");
        painter.setPen(QColor(QStringLiteral("#333333")));
        painter.drawText(QRect(legendEnd + 16, legendTop,
                               painter.fontMetrics().horizontalAdvance(label) + 4, kLegendRoom),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
    }
    const QRect playSpan = spanRect(playRun).adjusted(2, 0, -2, 0);
    if (!playSpan.isEmpty()) {
        const int x = playSpan.left() + qRound(playFraction * (playSpan.width() - 1));
        painter.fillRect(QRect(x - 1, 0, 3, kTop + kBarHeight + 4), Qt::black);
        painter.fillRect(QRect(x, 1, 1, kTop + kBarHeight + 2), Qt::white);
        // A head above the line, seen on any colour of the bar.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::white);
        painter.setBrush(Qt::black);
        const QPointF head[] = {{x - 5.5, 0.0}, {x + 6.5, 0.0}, {x + 0.5, kTop + 4.0}};
        painter.drawPolygon(head, 3);
    }
    if (hasFocus()) {
        // The focus mark: the whole view, and the span the keys stand on.
        QPen pen(QColor(QStringLiteral("#1a5fb4")));
        pen.setWidth(2);
        painter.setPen(pen);
        painter.drawRect(spanRect(current));
        pen.setStyle(Qt::DotLine);
        pen.setWidth(1);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

int TimelineView::runCount() const {
    if (evidence == nullptr) {
        return 0;
    }
    const Timeline timeline = timelineOf(*evidence, barWidthOf(width()));
    return static_cast<int>(std::min(timeline.extents.size(), evidence->runs.size()));
}

QRect TimelineView::spanRect(int index) const {
    if (evidence == nullptr || index < 0) {
        return {};
    }
    const int barWidth = barWidthOf(width());
    const Timeline timeline = timelineOf(*evidence, barWidth);
    if (static_cast<size_t>(index) >= timeline.extents.size() || !(timeline.length > 0)) {
        return {};
    }
    const TimelineExtent& extent = timeline.extents[static_cast<size_t>(index)];
    const auto xOf = [&](double at) {
        return kLeft + qRound((at - timeline.origin) * barWidth / timeline.length);
    };
    int x0 = std::clamp(xOf(extent.from), kLeft, kLeft + barWidth);
    int x1 = std::clamp(xOf(extent.to), kLeft, kLeft + barWidth);
    if (x1 - x0 < 6) {
        x0 -= 3;
        x1 = x0 + 6;
    }
    return QRect(x0 - 2, kTop - 3, x1 - x0 + 4, kBarHeight + 6);
}

const Finding* TimelineView::keyChangeIn(int index) const {
    if (evidence == nullptr || index < 0 || static_cast<size_t>(index) >= evidence->runs.size()) {
        return nullptr;
    }
    const ClusterRun& run = evidence->runs[static_cast<size_t>(index)];
    for (const Finding& finding : evidence->findings) {
        if (finding.code == FindingCode::KeyChanged && finding.firstCluster >= run.firstCluster &&
            finding.firstCluster <= run.lastCluster) {
            return &finding;
        }
    }
    return nullptr;
}

void TimelineView::setCurrent(int index) {
    const int count = runCount();
    if (count == 0) {
        return;
    }
    current = std::clamp(index, 0, count - 1);
    // A screen reader reads the span as the hover shows it.
    setAccessibleDescription(spanText(current));
    update();
}

void TimelineView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (current < 0) {
        setCurrent(0);
    }
    update();
}

void TimelineView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void TimelineView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers shift = event->modifiers() & ~Qt::KeypadModifier;
    if (shift == Qt::ShiftModifier && current >= 0 &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit playRequested(*currentCluster());
        return;
    }
    if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            setCurrent(current - 1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            setCurrent(current + 1);
            break;
        case Qt::Key_Home:
            setCurrent(0);
            break;
        case Qt::Key_End:
            setCurrent(runCount() - 1);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (current >= 0) {
                const QRect span = spanRect(current);
                QToolTip::showText(mapToGlobal(QPoint(span.center().x(), span.bottom())),
                                   spanText(current), this);
                emit spanClicked(current);
                // As a click at the span's start (the player seeks there).
                emit positionPicked(current, 0.0);
            }
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void TimelineView::paintReport(QPainter& painter, const RecordingEvidence& evidence) {
    paintBar(painter, evidence, kTimelineBarWidth);
}

QSize TimelineView::reportSize() {
    return {kTimelineWidth, kTimelineHeight};
}

QImage TimelineView::render(const RecordingEvidence& evidence, double scale) {
    const QSize size(qRound(kTimelineWidth * scale), qRound(kTimelineHeight * scale));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    paintBar(painter, evidence, kTimelineBarWidth);
    return image;
}

int TimelineView::runIndexAt(int x, int y) const {
    if (evidence == nullptr) {
        return -1;
    }
    const int barWidth = barWidthOf(width());
    const Timeline timeline = timelineOf(*evidence, barWidth);
    if (x < kLeft || x > kLeft + barWidth || !(timeline.length > 0)) {
        return -1;
    }
    const double at = timeline.origin + (x - kLeft) * timeline.length / barWidth;
    bool beneath = false;
    if (y >= kTop + timelineHalves(kBarHeight).lowerTop) {
        for (const TimelineSpan& span : timeline.spans) {
            beneath = beneath || (span.beneath && x - kLeft >= span.x0 && x - kLeft < span.x1);
        }
    }
    return runAt(*evidence, timeline, at, beneath);
}

void TimelineView::mousePressEvent(QMouseEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const int x = qRound(event->position().x());
#else
    const int x = event->pos().x();
#endif
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const int y = qRound(event->position().y());
#else
    const int y = event->pos().y();
#endif
    const int run = event->button() == Qt::LeftButton ? runIndexAt(x, y) : -1;
    if (run >= 0) {
        emit spanClicked(run);
        pick(x, y);
    }
    QWidget::mousePressEvent(event);
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        pick(qRound(event->position().x()), qRound(event->position().y()));
#else
        pick(event->pos().x(), event->pos().y());
#endif
    }
    QWidget::mouseMoveEvent(event);
}

void TimelineView::pick(int x, int y) {
    const int run = runIndexAt(x, y);
    const QRect span = spanRect(run);
    if (run < 0 || span.isEmpty()) {
        return;
    }
    // spanRect is widened by 2 on each side for its focus mark.
    const QRect inner = span.adjusted(2, 0, -2, 0);
    const double fraction =
        inner.width() > 1 ? double(x - inner.left()) / double(inner.width() - 1) : 0.0;
    emit positionPicked(run, std::clamp(fraction, 0.0, 1.0));
}

std::optional<int64_t> TimelineView::currentCluster() const {
    if (evidence == nullptr || current < 0 || static_cast<size_t>(current) >= evidence->runs.size()) {
        return std::nullopt;
    }
    return evidence->runs[static_cast<size_t>(current)].firstCluster;
}

void TimelineView::setPlayHead(int run, double fraction) {
    playRun = run;
    playFraction = std::clamp(fraction, 0.0, 1.0);
    update();
}

QString TimelineView::spanTextAt(int x, int y) const {
    return spanText(runIndexAt(x, y));
}

QString TimelineView::spanText(int index) const {
    if (evidence == nullptr || index < 0 || static_cast<size_t>(index) >= evidence->runs.size()) {
        return {};
    }
    const ClusterRun* const run = &evidence->runs[static_cast<size_t>(index)];
    const TimelineMark mark = markOf(*run, evidence->proofKey);
    QString text = run->firstCluster == run->lastCluster
                       ? tr("Cluster %1").arg(run->firstCluster)
                       : tr("Clusters %1 to %2").arg(run->firstCluster).arg(run->lastCluster);
    text += QStringLiteral(": ") + QString::fromLatin1(timelineLabel(mark));
    text += QLatin1Char('\n') + QString::fromLatin1(timelineMeaning(mark));
    text += tr("\nBytes %1 to %2 of the file").arg(run->startOffset).arg(run->endOffset);
    const QString times = textOf(statedTimes(run->startSeconds, run->endSeconds));
    if (!times.isEmpty()) {
        text += QLatin1Char('\n') + times;
        const QString from = run->startSeconds
                                 ? textOf(wallClockAt(evidence->tag.startTime, *run->startSeconds))
                                 : QString();
        if (!from.isEmpty()) {
            text += tr(" (from %1 by the tag's stated start)").arg(from);
        }
    }
    if (const Finding* const change = keyChangeIn(index)) {
        // The finding's own words: the hover and a screen reader say it.
        text += QLatin1Char('\n') + QString::fromStdString(displayText(change->text));
    }
    const Timeline timeline = timelineOf(*evidence, barWidthOf(width()));
    if (static_cast<size_t>(index) < timeline.extents.size() &&
        timeline.extents[static_cast<size_t>(index)].endEstimated) {
        text += tr("\nIts stated end lies before its own last cluster: drawn to that cluster's "
                   "stated time plus a median cluster's length.");
    }
    return text;
}

bool TimelineView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* const help = static_cast<QHelpEvent*>(event);
        const QString text = spanTextAt(help->pos().x(), help->pos().y());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

#include "moc_TimelineView.cpp"
