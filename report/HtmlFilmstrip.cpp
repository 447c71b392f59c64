#include <string>

#include "report/Escape.h"
#include "report/HtmlParts.h"
#include "report/Timeline.h"

namespace nvr::html {
namespace {

std::string base64(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = bytes.size() - i;
        const uint32_t word = uint32_t{bytes[i]} << 16 | (n > 1 ? uint32_t{bytes[i + 1]} << 8 : 0) |
                              (n > 2 ? uint32_t{bytes[i + 2]} : 0);
        out += digits[word >> 18 & 63];
        out += digits[word >> 12 & 63];
        out += n > 1 ? digits[word >> 6 & 63] : '=';
        out += n > 2 ? digits[word & 63] : '=';
    }
    return out;
}

// "verified" only for a proven cluster, "failed" for a failing one, else the standing's code.
std::string figureClass(ClusterStanding standing) {
    switch (standing) {
        case ClusterStanding::Proven:
            return "verified";
        case ClusterStanding::Failing:
            return "failed";
        default:
            return clusterStandingCode(standing);
    }
}

std::string image(const ReportPicture& p, size_t file, size_t k, bool inlinePictures) {
    const std::string source = inlinePictures
                                   ? "data:image/png;base64," + base64(p.png)
                                   : "picture:" + std::to_string(file) + ":" + std::to_string(k);
    return "<img src=\"" + source + "\" width=\"" + std::to_string(p.width) + "\" height=\"" +
           std::to_string(p.height) + "\" alt=\"" + htmlAttribute(p.label) +
           "\" style=\"border-color:" + timelineColour(markOf(p.shownStanding())) + "\">";
}

}  // namespace

void appendFilmstrip(std::string& out, const std::vector<ReportPicture>& pictures, size_t index,
                     bool inlinePictures) {
    out += "<h3>Pictures around the first failure</h3><div class=\"filmstrip\">";
    for (size_t k = 0; k < pictures.size(); ++k) {
        const ReportPicture& p = pictures[k];
        if (!inlinePictures) {
            const int picture = p.png.empty() ? kFigureNoPictureHeight : p.height + 6;
            out += "<img src=\"picture:" + std::to_string(index) + ":" + std::to_string(k) +
                   "\" width=\"" + std::to_string(kFigureWidth) + "\" height=\"" +
                   std::to_string(picture + kFigureCaptionHeight) + "\" alt=\"" +
                   htmlAttribute(p.label) + "\"> ";
            continue;
        }
        out += "<figure class=\"" + figureClass(p.shownStanding()) + "\">";
        out += p.png.empty()
                   ? "<div class=\"nopicture\">No picture: " + htmlText(p.reason) + "</div>"
                   : image(p, index, k, inlinePictures);
        out += "<figcaption>" + htmlText(p.label) + "</figcaption></figure>";
    }
    out +=
        "</div><p class=\"note\">The first picture of each cluster, decoded for viewing only: "
        "decoding decides nothing. Only pictures marked verified come from clusters tied to the "
        "recorder tag's signed final value under an RSA tag. Sealed ones are tied to it under "
        "the built-in key, which every copy of this program holds; where links hold but are "
        "not tied to the tag, anyone could have made them. Pictures marked failed come from "
        "clusters whose signature does not hold, and may show altered content. Times are as "
        "stated by the file.</p>";
}

}  // namespace nvr::html
