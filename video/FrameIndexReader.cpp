#include "video/FrameIndexReader.h"

#include "signature/Sha256.h"
#include "video/FfmpegLog.h"
#include "video/MatroskaInput.h"

namespace nvr::video {

ByteRange headOf(const RecordingEvidence& evidence, int64_t fileSize) {
    if (!evidence.clusters.empty() && evidence.clusters.front().headerOffset > 0) {
        return {0, std::min(evidence.clusters.front().headerOffset, fileSize)};
    }
    return {0, fileSize};
}

FrameIndex readFrameIndex(const ByteSource& source, const RecordingEvidence& evidence,
                          const IndexLimits& limits) {
    captureFfmpegLog();
    clearFfmpegError();
    // The whole file in order, as one stream: head and body meet.
    const ByteRange head = headOf(evidence, source.size());
    MatroskaInput input(source, head, {head.end, source.size()},
                        std::chrono::steady_clock::now() + limits.timeBudget);
    std::string why;
    std::vector<DemuxedPacket> packets;
    TimeBase base;
    if (input.open(why)) {
        base = {input.video().time_base.num, input.video().time_base.den};
        const PacketPtr packet(ff().av_packet_alloc());
        if (!packet) {
            why = "out of memory";
        }
        while (packet && why.empty()) {
            const int result = ff().av_read_frame(input.context(), packet.get());
            if (result < 0) {
                if (result == AVERROR_EXIT || input.pastDeadline()) {
                    why = "reading the frames took longer than the time allowed";
                } else if (result != AVERROR_EOF) {
                    why = withDetail("the file's blocks cannot be read past frame " +
                                         std::to_string(packets.size()),
                                     result);
                }
                break;
            }
            if (packet->stream_index == input.videoStream()) {
                if (packets.size() == FrameIndex::kMaxFrames) {
                    packets.emplace_back();  // one past the cap: indexFrames says so
                    break;
                }
                DemuxedPacket p;
                p.pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
                p.offset = input.fileOffset(packet->pos);
                p.size = packet->size;
                p.keyframe = (packet->flags & AV_PKT_FLAG_KEY) != 0;
                Sha256 digest;
                digest.update(packet->data, static_cast<size_t>(packet->size));
                p.sha256 = digest.finishBytes();
                packets.push_back(p);
            }
            ff().av_packet_unref(packet.get());
        }
    }
    FrameIndex index = indexFrames(std::move(packets), base, evidence);
    if (index.error.empty()) {
        index.error = why;
    }
    return index;
}

}  // namespace nvr::video
