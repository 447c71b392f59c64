// The window's timeline (also the PDF's picture) splits a span where a
// failure's stated time lies inside a proven run, and its hover names
// the run under the pointer, above or below.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <memory>

#include "report/Timeline.h"
#include "report/TimelineSvg.h"
#include "support/InsertedAtTimeZero.h"
#include "ui/TimelineView.h"

namespace {

QColor colourOf(TimelineMark mark) {
    return QColor(QLatin1String(timelineColour(mark)));
}

}  // namespace

TEST(TimelineView, AFailureStatedInsideAProvenSpanLeavesTheProofInSight) {
    const auto evidence = std::make_shared<const RecordingEvidence>(recorder::insertedAtTimeZero());
    const QImage picture = TimelineView::render(*evidence);
    const int upper = kTimelineBarTop + 3;
    const int lower = kTimelineBarTop + kTimelineBarHeight - 3;
    const int early = kTimelineBarLeft + kTimelineBarWidth / 4;  // 00:00:15
    const int late = kTimelineBarLeft + kTimelineBarWidth * 3 / 4;
    EXPECT_EQ(picture.pixelColor(early, upper), colourOf(TimelineMark::Mismatch));
    EXPECT_EQ(picture.pixelColor(early, lower), colourOf(TimelineMark::Proven));
    EXPECT_EQ(picture.pixelColor(late, upper), colourOf(TimelineMark::Proven));
    EXPECT_EQ(picture.pixelColor(late, lower), colourOf(TimelineMark::Proven));

    TimelineView view;
    view.resize(TimelineView::reportSize().width(), view.sizeHint().height());
    view.setEvidence(evidence);
    EXPECT_TRUE(view.spanTextAt(early, upper).startsWith(QStringLiteral("Cluster 31:")))
        << view.spanTextAt(early, upper).toStdString();
    EXPECT_TRUE(view.spanTextAt(early, lower).startsWith(QStringLiteral("Clusters 1 to 30:")))
        << view.spanTextAt(early, lower).toStdString();
}
