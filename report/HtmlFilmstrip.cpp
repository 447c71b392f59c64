#include <string>

#include "report/Escape.h"
#include "report/HtmlParts.h"

namespace html {
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

std::string image(const ReportPicture& p, size_t file, size_t k, bool inlinePictures) {
    const std::string source = inlinePictures
                                   ? "data:image/png;base64," + base64(p.png)
                                   : "picture:" + std::to_string(file) + ":" + std::to_string(k);
    return "<img src=\"" + source + "\" width=\"" + std::to_string(p.width) + "\" height=\"" +
           std::to_string(p.height) + "\" alt=\"" + htmlAttribute(p.label) + "\">";
}

}  // namespace

void appendFilmstrip(std::string& out, const std::vector<ReportPicture>& pictures, size_t index,
                     bool inlinePictures) {
    out += "<h3>Pictures around the first failure</h3><div class=\"filmstrip\">";
    for (size_t k = 0; k < pictures.size(); ++k) {
        const ReportPicture& p = pictures[k];
        out += std::string("<figure class=\"") + (p.verified ? "verified" : "failed") + "\">";
        out += p.png.empty()
                   ? "<div class=\"nopicture\">No picture: " + htmlText(p.reason) + "</div>"
                   : image(p, index, k, inlinePictures);
        out += "<figcaption>" + htmlText(p.label) + "</figcaption></figure>";
    }
    out +=
        "</div><p class=\"note\">The first picture of each cluster, decoded for viewing only: "
        "decoding decides nothing. Pictures marked verified come from clusters whose signature "
        "holds; pictures marked failed come from clusters whose signature does not, and may "
        "show altered content.</p>";
}

}  // namespace html
