// A failing cluster whose stated time falls inside a proven span: the bar
// shows both, and splits only where stated times overlap.
#include <gtest/gtest.h>

#include "report/HtmlReport.h"
#include "report/Timeline.h"
#include "report/TimelineSvg.h"
#include "support/InsertedAtTimeZero.h"

TEST(TimelineOverlap, AFailureStatedInsideAProvenSpanHidesNeither) {
    const RecordingEvidence e = recorder::insertedAtTimeZero();
    ASSERT_EQ(e.proofKey, ProofKey::Rsa);
    const Timeline timeline = timelineOf(e, 600);  // 10 columns a second
    ASSERT_DOUBLE_EQ(timeline.length, 60.0);
    for (const TimelineSpan& span : timeline.spans) {
        if (span.x1 <= 300) {  // 00:00:00-00:00:30: clusters 1-30 and the foreign one
            EXPECT_EQ(span.mark, TimelineMark::Mismatch) << span.x0;
            EXPECT_EQ(span.beneath, TimelineMark::Proven) << span.x0;
        } else {  // runs that only meet stay whole
            EXPECT_FALSE(span.beneath.has_value()) << span.x0;
        }
    }
    ASSERT_FALSE(timeline.spans.empty());
    EXPECT_EQ(timeline.spans.front().x0, 0);
    EXPECT_EQ(timeline.spans.back().mark, TimelineMark::Proven);

    const std::string svg = timelineSvg(e);
    EXPECT_NE(svg.find("<title>signature mismatch over verified, at overlapping stated "
                       "times</title><rect x=\"30\" y=\"6\" width=\"360\" height=\"14\" "
                       "fill=\"#d32f2f\"/><rect x=\"30\" y=\"22\" width=\"360\" height=\"14\" "
                       "fill=\"#2e7d32\"/>"),
              std::string::npos)
        << svg;
    EXPECT_NE(htmlReport({e}, ReportContext{}).find("Where the bar is split"), std::string::npos);
}
