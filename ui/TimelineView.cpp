#include "ui/TimelineView.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "signature/RecordingEvidence.h"
#include "ui/TimelineColors.h"

namespace {

constexpr int kMargin = 12;
constexpr int kBarTop = 6;
constexpr int kBarHeight = 26;
constexpr int kTickRoom = 34;

QString fromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The axis: from the first run's start to the last run's end, in seconds;
// clusters without times are laid out by their number instead.
struct Axis {
    bool byTime = false;
    double first = 0;
    double last = 1;
};

Axis axisOf(const RecordingEvidence& evidence) {
    Axis axis;
    const auto& runs = evidence.runs;
    axis.byTime = !runs.empty() && std::all_of(runs.begin(), runs.end(), [](const ClusterRun& r) {
        return r.startSeconds && r.endSeconds;
    });
    if (runs.empty()) {
        return axis;
    }
    if (axis.byTime) {
        axis.first = *runs.front().startSeconds;
        axis.last = *runs.front().endSeconds;
        for (const ClusterRun& run : runs) {
            axis.first = std::min(axis.first, *run.startSeconds);
            axis.last = std::max(axis.last, *run.endSeconds);
        }
    } else {
        axis.first = static_cast<double>(runs.front().firstCluster);
        axis.last = static_cast<double>(runs.back().lastCluster + 1);
    }
    if (!(axis.last > axis.first)) {
        axis.last = axis.first + 1;
    }
    return axis;
}

std::pair<double, double> spanOf(const ClusterRun& run, const Axis& axis) {
    if (axis.byTime) {
        return {*run.startSeconds, *run.endSeconds};
    }
    return {static_cast<double>(run.firstCluster), static_cast<double>(run.lastCluster + 1)};
}

double xOf(double value, const Axis& axis, const QRectF& bar) {
    return bar.left() + (value - axis.first) / (axis.last - axis.first) * bar.width();
}

// Seconds between ticks: a round step giving at most `count` ticks.
double tickStep(double span, int count) {
    static const double steps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                   600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    for (const double step : steps) {
        if (span / step <= count) {
            return step;
        }
    }
    return std::ceil(span / count / 86400.0) * 86400.0;
}

void paintTicks(QPainter& painter, const RecordingEvidence& evidence, const Axis& axis,
                const QRectF& bar) {
    painter.setPen(QColor(QStringLiteral("#858585")));
    const int count = std::max(2, static_cast<int>(bar.width() / 140));
    const double step = tickStep(axis.last - axis.first, count);
    for (double t = std::ceil(axis.first / step) * step; t <= axis.last + 1e-9; t += step) {
        const double x = xOf(t, axis, bar);
        painter.drawLine(QPointF(x, bar.bottom()), QPointF(x, bar.bottom() + 5));
        QString label = fromStd(wallClockAt(evidence.tag.startTime, t));
        if (label.isEmpty()) {
            label = QStringLiteral("+%1 s").arg(t, 0, 'f', 0);
        } else {
            label = label.mid(11);  // the time of day; the date is in the text
        }
        const QRectF box(x - 60, bar.bottom() + 6, 120, 16);
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, label);
    }
}

void paintTimeline(QPainter& painter, const RecordingEvidence& evidence, const QRect& area) {
    const QRectF bar(area.left() + kMargin, area.top() + kBarTop, area.width() - 2 * kMargin,
                     kBarHeight);
    const Axis axis = axisOf(evidence);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const ClusterRun& run : evidence.runs) {
        const auto [from, to] = spanOf(run, axis);
        const double left = xOf(from, axis, bar);
        // At least a pixel, so a single failing cluster always shows.
        const double width = std::max(1.0, xOf(to, axis, bar) - left);
        painter.fillRect(QRectF(left, bar.top(), width, bar.height()), statusColor(run.status));
    }
    painter.setPen(QColor(QStringLiteral("#858585")));
    painter.drawRect(bar);
    if (axis.byTime) {
        paintTicks(painter, evidence, axis, bar);
    }
}

}  // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAccessibleName(tr("Timeline of the recording"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TimelineView::setEvidence(std::shared_ptr<const RecordingEvidence> newEvidence) {
    evidence = std::move(newEvidence);
    setVisible(evidence != nullptr && !evidence->runs.empty());
    update();
}

QSize TimelineView::sizeHint() const {
    return {600, kBarTop + kBarHeight + kTickRoom};
}

QSize TimelineView::minimumSizeHint() const {
    return {200, kBarTop + kBarHeight + kTickRoom};
}

void TimelineView::paintEvent(QPaintEvent*) {
    if (evidence == nullptr) {
        return;
    }
    QPainter painter(this);
    paintTimeline(painter, *evidence, rect());
}

QImage TimelineView::render(const RecordingEvidence& evidence, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintTimeline(painter, evidence, image.rect());
    return image;
}

QString TimelineView::spanTextAt(int x) const {
    if (evidence == nullptr) {
        return {};
    }
    const QRectF bar(kMargin, kBarTop, width() - 2 * kMargin, kBarHeight);
    const Axis axis = axisOf(*evidence);
    for (const ClusterRun& run : evidence->runs) {
        const auto [from, to] = spanOf(run, axis);
        const double left = xOf(from, axis, bar);
        const double right = std::max(left + 1.0, xOf(to, axis, bar));
        if (x < left || x >= right) {
            continue;
        }
        QString text = tr("Clusters %1 to %2: %3\nBytes %4 to %5")
                           .arg(run.firstCluster)
                           .arg(run.lastCluster)
                           .arg(statusWord(run.status))
                           .arg(run.startOffset)
                           .arg(run.endOffset);
        if (run.startSeconds) {
            const QString at = fromStd(wallClockAt(evidence->tag.startTime, *run.startSeconds));
            text += tr("\nFrom %1 s into the recording").arg(*run.startSeconds, 0, 'f', 3);
            if (!at.isEmpty()) {
                text += tr(" (%1 by the tag's stated start)").arg(at);
            }
        }
        return text;
    }
    return {};
}

bool TimelineView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* const help = static_cast<QHelpEvent*>(event);
        const QString text = spanTextAt(help->pos().x());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}
