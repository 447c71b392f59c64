#include "report/TimelineSvg.h"

#include "report/Escape.h"
#include "report/Timeline.h"

namespace {

std::string number(int value) {
    return std::to_string(value);
}

std::string rect(int x, int y, int width, int height, const char* fill) {
    return "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(width) +
           "\" height=\"" + number(height) + "\" fill=\"" + fill + "\"/>";
}

std::string tickMarkup(const TimelineTick& tick) {
    const int x = kTimelineBarLeft + tick.x;
    const int below = kTimelineBarTop + kTimelineBarHeight;
    return "<line x1=\"" + number(x) + "\" y1=\"" + number(below) + "\" x2=\"" + number(x) +
           "\" y2=\"" + number(below + 6) + "\" stroke=\"#424242\"/><text x=\"" + number(x) +
           "\" y=\"" + number(below + 19) + "\" text-anchor=\"middle\">" + htmlText(tick.label) +
           "</text>";
}

}  // namespace

std::string timelineSvg(const RecordingEvidence& evidence) {
    const Timeline timeline = timelineOf(evidence, kTimelineBarWidth);
    if (timeline.spans.empty()) {
        return std::string();
    }
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      number(kTimelineWidth) + "\" height=\"" + number(kTimelineHeight) +
                      "\" viewBox=\"0 0 " + number(kTimelineWidth) + " " + number(kTimelineHeight) +
                      "\" role=\"img\" font-family=\"sans-serif\" font-size=\"11\" "
                      "fill=\"#212121\">";
    svg +=
        rect(kTimelineBarLeft, kTimelineBarTop, kTimelineBarWidth, kTimelineBarHeight, "#ffffff");
    for (const TimelineSpan& span : timeline.spans) {
        // A split span: the failure above, what its stated times overlap below.
        const TimelineHalves halves = timelineHalves(kTimelineBarHeight);
        std::string box = rect(kTimelineBarLeft + span.x0, kTimelineBarTop, span.x1 - span.x0,
                               span.beneath ? halves.upperHeight : kTimelineBarHeight,
                               timelineColour(span.mark));
        if (span.beneath) {
            box += rect(kTimelineBarLeft + span.x0, kTimelineBarTop + halves.lowerTop,
                        span.x1 - span.x0, halves.lowerHeight, timelineColour(*span.beneath));
        }
        // A hover names the mark: colours alone must not carry the meaning.
        svg += "<g><title>" + timelineSpanLabel(span) + "</title>" + box + "</g>";
    }
    svg += "<rect x=\"" + number(kTimelineBarLeft) + "\" y=\"" + number(kTimelineBarTop) +
           "\" width=\"" + number(kTimelineBarWidth) + "\" height=\"" + number(kTimelineBarHeight) +
           "\" fill=\"none\" stroke=\"#424242\"/>";
    for (const TimelineTick& tick : timeline.ticks) {
        svg += tickMarkup(tick);
    }
    return svg + "</svg>";
}
