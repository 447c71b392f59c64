// The window's timeline (also the PDF's picture) splits a span where a
// failure's stated time lies inside a proven run, and its hover names
// the run under the pointer, above or below.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <memory>

#include "report/Timeline.h"
#include "report/TimelineSvg.h"
#include "support/TempFile.h"
#include "support/TestRecorder.h"
#include "ui/TimelineView.h"

namespace {

// 60 one-second clusters; a foreign one stating 00:00:00 stands before the 31st.
RecordingEvidence insertedAtTimeZero() {
    recorder::RecorderOptions options;
    options.clusterCount = 60;
    options.blocksPerCluster = 1;
    options.blockSize = 64;
    options.tampering = {recorder::Tampering::insertForeignCluster(30, 0)};
    const TempFile file;
    recorder::writeRecording(file.path(), options);
    ExamineOptions examine;
    examine.keepClusters = true;
    examine.fileHash = false;
    return examineRecording(file.path(), examine);
}

QColor colourOf(TimelineMark mark) {
    return QColor(QLatin1String(timelineColour(mark)));
}

}  // namespace

TEST(TimelineView, AFailureStatedInsideAProvenSpanLeavesTheProofInSight) {
    const auto evidence = std::make_shared<const RecordingEvidence>(insertedAtTimeZero());
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
