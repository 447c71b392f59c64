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

// Where a second trusted key takes over, the bar says so: a mark at that
// cluster's span, and the finding's words in its hover (and so to a
// screen reader); no mark without the finding.
TEST(TimelineView, AKeyChangeIsMarkedWhereItStarts) {
    RecordingEvidence changed = recorder::insertedAtTimeZero();
    const RecordingEvidence plain = changed;
    Finding finding;
    finding.code = FindingCode::KeyChanged;
    finding.text = "Cluster 31 holds under another trusted key, sha256:ab (\"North\").";
    finding.firstCluster = 31;
    finding.lastCluster = 31;
    changed.findings.push_back(finding);
    const auto marks = [](const RecordingEvidence& evidence, QString& hover) {
        TimelineView view;
        view.resize(TimelineView::reportSize().width(), view.sizeHint().height());
        view.setEvidence(std::make_shared<const RecordingEvidence>(evidence));
        const QImage picture = view.grab().toImage();
        std::vector<int> columns;
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixelColor(x, kTimelineBarTop + kTimelineBarHeight / 2) == QColor(Qt::black)) {
                columns.push_back(x);
                hover = view.spanTextAt(x + 1, kTimelineBarTop + 3);
            }
        }
        return columns;
    };
    QString hover;
    EXPECT_TRUE(marks(plain, hover).empty());
    const std::vector<int> at = marks(changed, hover);
    ASSERT_EQ(at.size(), 1u);
    EXPECT_TRUE(hover.startsWith(QStringLiteral("Cluster 31:"))) << hover.toStdString();
    EXPECT_TRUE(hover.contains(QString::fromStdString(finding.text))) << hover.toStdString();
}
