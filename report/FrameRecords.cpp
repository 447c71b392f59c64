#include "report/FrameRecords.h"

#include "report/Escape.h"
#include "report/JsonWriters.h"
#include "signature/Hex.h"

namespace {

// Members in sorted key order, as both writers want them.
template <class Writer>
void describeFrame(Writer& w, const nvr::FrameIndex& index, const nvr::FrameEntry& entry) {
    if (entry.cluster) {
        w.integer("cluster", *entry.cluster);
    } else {
        w.null("cluster");
    }
    if (entry.dependsOn) {
        w.integer("dependsOn", *entry.dependsOn);
    }
    w.integer("frame", entry.frame);
    w.boolean("keyframe", entry.keyframe);
    w.integer("offset", entry.offset);
    const auto* digest = reinterpret_cast<const char*>(entry.packetSha256.data());
    w.code("packetSha256", hexBytes(std::string_view(digest, entry.packetSha256.size())).c_str());
    w.integer("pts", entry.pts);
    w.integer("size", entry.size);
    w.code("standing", nvr::frameStandingCode(entry.standing));
    const std::string stated = index.statedTime(entry);
    if (stated.empty()) {
        w.null("statedTime");
    } else {
        w.text("statedTime", stated);
    }
    w.code("timeBase", nvr::timeBaseText(index.timeBase).c_str());
}

}  // namespace

std::string frameJsonLine(const nvr::FrameIndex& index, const nvr::FrameEntry& entry) {
    JsonLineWriter w;
    w.beginObject();
    describeFrame(w, index, entry);
    w.end();
    return w.take();
}

std::string stillRecordJson(const StillRecord& still, const nvr::FrameIndex& index,
                            const nvr::FrameEntry& entry) {
    JsonObjectWriter w;
    w.beginObject();
    w.beginObject("conversion");
    w.code("arithmetic", still.arithmetic.c_str());
    w.boolean("damaged", still.damaged);
    w.integer("height", still.height);
    w.code("matrix", still.matrix.c_str());
    w.boolean("matrixStated", still.matrixStated);
    w.code("pixelFormat", still.pixelFormat.c_str());
    w.code("range", still.range.c_str());
    w.boolean("rangeStated", still.rangeStated);
    w.code("to", "rgb24 full range, PNG");
    w.integer("width", still.width);
    w.end();
    w.code("decoder", still.decoder.c_str());
    w.beginObject("frame");
    describeFrame(w, index, entry);
    w.end();
    w.code("pngSha256", still.pngSha256.c_str());
    w.code("proofKey", proofKeyCode(still.proofKey));
    w.code("rgbSha256", still.rgbSha256.c_str());
    w.beginObject("source");
    w.text("path", still.sourcePath);
    if (still.sourceSha256.empty()) {
        w.null("sha256");
    } else {
        w.code("sha256", still.sourceSha256.c_str());
    }
    w.end();
    w.end();
    return dumpJson(w.take(), 2) + "\n";
}

std::string stillRecordPath(const std::string& png) {
    const std::string suffix = ".png";
    if (png.size() > suffix.size() &&
        png.compare(png.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return png.substr(0, png.size() - suffix.size()) + ".json";
    }
    return png + ".json";
}
