#include <algorithm>
#include <optional>
#include <string>

#include "report/Escape.h"
#include "report/HtmlParts.h"
#include "report/JsonDepth.h"
#include "report/Timeline.h"
#include "report/Wording.h"
#include "signature/FrameIndex.h"

namespace nvr::html {
namespace {

using nlohmann::json;

// A text of the record, escaped; "—" where it has none.
std::string textOf(const json& object, const char* key) {
    const json& value = storedMember(object, key);
    return value.is_string() ? statedText(value.get<std::string>()) : "—";
}

std::optional<int64_t> integerOf(const json& object, const char* key) {
    const json& value = storedMember(object, key);
    return value.is_number_integer() ? std::optional<int64_t>(value.get<int64_t>()) : std::nullopt;
}

std::string numberText(const std::optional<int64_t>& value) {
    return value ? std::to_string(*value) : "—";
}

std::string mono(const std::string& html) {
    return "<span class=\"mono\">" + html + "</span>";
}

// The frame's standing from its stored code (none: outside the
// signatures); false for a code this program does not write.
bool standingOfCode(const std::string& code, std::optional<ClusterStanding>& standing) {
    standing.reset();
    if (code == frameStandingCode(std::nullopt)) {
        return true;
    }
    for (const ClusterStanding s :
         {ClusterStanding::Proven, ClusterStanding::Sealed, ClusterStanding::LinkHolds,
          ClusterStanding::OutOfPlace, ClusterStanding::Failing, ClusterStanding::NotChecked}) {
        if (code == clusterStandingCode(s)) {
            standing = s;
            return true;
        }
    }
    return false;
}

// In the word and colour every picture of this program has.
std::string standingCell(const json& frame) {
    const json& code = storedMember(frame, "standing");
    std::optional<ClusterStanding> standing;
    if (!code.is_string() || !standingOfCode(code.get<std::string>(), standing)) {
        return "unknown standing " + textOf(frame, "standing");
    }
    std::string cell = "<span style=\"color:" + std::string(frameStandingColour(standing)) +
                       "\">&#9632;</span> " + htmlText(frameStandingWord(standing));
    if (const std::optional<int64_t> from = integerOf(frame, "dependsOn")) {
        cell += " (that of frame " + std::to_string(*from) +
                ", whose packet its picture is decoded from)";
    }
    return cell;
}

std::string proofKeyText(const json& record) {
    const json& key = storedMember(record, "proofKey");
    if (key == json(proofKeyCode(ProofKey::Rsa))) {
        return "RSA (the recorder's key)";
    }
    if (key == json(proofKeyCode(ProofKey::Hmac))) {
        return "HMAC (the built-in key, which every copy of this program holds)";
    }
    return "none: nothing in the recording is proven";
}

std::string conversionText(const json& conversion) {
    const auto stated = [&conversion](const char* key) {
        const json& value = storedMember(conversion, key);
        return value.is_boolean() && value.get<bool>() ? " (stated by the stream)" : " (assumed)";
    };
    std::string text =
        textOf(conversion, "pixelFormat") + ", " + numberText(integerOf(conversion, "width")) +
        "×" + numberText(integerOf(conversion, "height")) + "; range " +
        textOf(conversion, "range") + stated("rangeStated") + ", matrix " +
        textOf(conversion, "matrix") + stated("matrixStated") + "; to " + textOf(conversion, "to") +
        "; arithmetic " + textOf(conversion, "arithmetic");
    const json& damaged = storedMember(conversion, "damaged");
    if (damaged.is_boolean() && damaged.get<bool>()) {
        text += "; <span class=\"failed\">the decoder reported the picture damaged</span>";
    }
    return text;
}

// The rows the record gives, after those of the event.
void recordRows(std::string& out, const json& record, const ExportedStill& still) {
    const json& frame = storedMember(record, "frame");
    const json& source = storedMember(record, "source");
    const json& conversion = storedMember(record, "conversion");
    const json& recordPng = storedMember(record, "pngSha256");
    if (recordPng.is_string() && recordPng.get<std::string>() != still.pngSha256) {
        out += labelRow("PNG SHA-256 in the record",
                        mono(textOf(record, "pngSha256")) +
                            " <span class=\"failed\">differs from the custody event's</span>");
    }
    out += labelRow("SHA-256 of the raw RGB pixels", mono(textOf(record, "rgbSha256")));
    out += labelRow("Recording",
                    mono(textOf(source, "path")) + "<br>SHA-256 " + mono(textOf(source, "sha256")));
    std::string framing = numberText(integerOf(frame, "frame")) + "; pts " +
                          numberText(integerOf(frame, "pts")) + " in time base " +
                          textOf(frame, "timeBase");
    const json& keyframe = storedMember(frame, "keyframe");
    if (keyframe.is_boolean()) {
        framing += keyframe.get<bool>() ? "; a keyframe" : "; not a keyframe";
    }
    out += labelRow("Frame", framing);
    out += labelRow("Time as stated", textOf(frame, "statedTime"));
    const std::optional<int64_t> cluster = integerOf(frame, "cluster");
    out += labelRow("Cluster", cluster ? std::to_string(*cluster) : "— (in no cluster)");
    out += labelRow("Standing", standingCell(frame));
    out += labelRow("Proof key", htmlText(proofKeyText(record)));
    out += labelRow("Packet SHA-256", mono(textOf(frame, "packetSha256")));
    out += labelRow("Decoder", textOf(record, "decoder"));
    out += labelRow("Conversion", conversionText(conversion));
}

void appendStill(std::string& out, const ExportedStill& still) {
    const json record = still.record.empty() ? json() : parseStoredJson(still.record);
    const std::optional<int64_t> frame = integerOf(storedMember(record, "frame"), "frame");
    out += "<h3>Still" + (frame ? " of frame " + std::to_string(*frame) : std::string()) +
           ", custody event " + std::to_string(still.event) + "</h3>";
    out += tableOpen();
    out += labelRow("Exported", statedText(still.at) + " by " + statedText(still.examiner));
    out += labelRow(
        "PNG", mono(statedText(still.pngPath)) + "<br>SHA-256 " + mono(statedText(still.pngSha256)));
    std::string recordCell =
        mono(statedText(still.recordPath)) + "<br>SHA-256 " + mono(statedText(still.recordSha256));
    if (!record.is_object()) {
        const std::string problem = still.record.empty()
                                        ? still.recordProblem
                                        : std::string("the record does not read as JSON");
        recordCell += "<br><span class=\"failed\">Not shown: " + htmlText(problem) + "</span>";
    }
    out += labelRow("Record", recordCell);
    if (record.is_object()) {
        recordRows(out, record, still);
    }
    out += "</table>";
}

}  // namespace

void appendStills(std::string& out, const ReportContext& run, size_t limit) {
    if (run.stills.empty()) {
        return;
    }
    out +=
        "<h2>Stills exported from the player</h2><p class=\"note\">Each still is an "
        "&ldquo;exported&rdquo; event of the case's custody log, which holds the SHA-256 of "
        "its PNG and of the record written beside it. A record is shown only where the file "
        "beside the still has that SHA-256. Its standing is the frame's as verified when the "
        "still was exported: only a verified frame is tied to the tag's RSA-signed final "
        "value, its own packet and every packet its picture is decoded from. Times are as "
        "stated by the file.</p>";
    const size_t shown = std::min(run.stills.size(), limit);
    for (size_t i = 0; i < shown; ++i) {
        appendStill(out, run.stills[i]);
    }
    out += moreLine(run.stills.size() + run.stillsLeftOut, shown, "stills");
}

}  // namespace nvr::html
