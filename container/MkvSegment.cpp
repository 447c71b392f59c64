#include "container/MkvSegment.h"

#include "container/MkvIds.h"

namespace nvr {

namespace {

// Cues, Attachments and the recorder tag: the first one met wins. A stored
// element is valid once loaded, a default one is not.
// Enough to tell that there is more than one; a forged seek head must not
// grow the set without bound.
constexpr size_t kMaxRecorderTags = 64;

template <typename T>
void loadFirst(T& slot, const T& found) {
    if (slot.isValid() != found.isValid()) {
        slot = found;
        slot.parse();
    }
}

}  // namespace

void MkvSegment::addSeekHead(const MkvElement& header) {
    if (seenSeekHeads.count(header.headerOffset) != 0) {
        return;
    }
    MkvSeekHead seekHead(header);
    seekHead.parse();
    if (seekHead.items.empty()) {
        return;
    }
    seenSeekHeads.insert(seekHead.headerOffset);
    seekHeads.items.push_back(seekHead);
    loadSeekTargets(seekHeads.items.back());
}

void MkvSegment::addInfo(const MkvElement& header) {
    if (!seenInfos.insert(header.headerOffset).second) {
        return;
    }
    MkvSegmentInfo info(header);
    info.parse();
    infos.items.push_back(info);
}

void MkvSegment::addTracks(const MkvElement& header) {
    // A Tracks element without entries is not stored but still counts as
    // read: parsing it again would find nothing new, and a forged seek head
    // could otherwise make us walk one large element millions of times.
    if (!seenTracks.insert(header.headerOffset).second) {
        return;
    }
    MkvTrack track(header);
    track.parse();
    if (!track.items.empty()) {
        tracks.items.push_back(track);
    }
}

int32_t MkvSegment::parse() {
    const int64_t end = endOffset();
    int64_t position = dataOffset;
    while (position < end) {
        if (reader == nullptr) {
            throw MkvException(MkvErrorCode::InvalidElement, position);
        }
        const MkvElement child(reader, position);
        switch (child.id) {
            case ID_SEEK_HEAD:
                addSeekHead(child);
                break;
            case ID_INFO:
                addInfo(child);
                break;
            case ID_TRACKS:
                addTracks(child);
                break;
            case ID_CUES:
                loadFirst(cues, MkvCue(child));
                break;
            case ID_ATTACHMENTS:
                loadFirst(attachments, MkvAttachment(child));
                break;
            case ID_NVR_TAG:
                if (recorderTags.size() < kMaxRecorderTags) {
                    recorderTags.insert(child.headerOffset);
                }
                loadFirst(tag, TNVRTag(child));
                break;
            case ID_CLUSTER:
                return 0;
            default:
                break;  // Void, Chapters, Tags and anything else
        }
        position = child.endOffset();
    }
    return 0;
}

void MkvSegment::loadSeekTargets(const MkvSeekHead& seekHead) {
    // The seek head may be moved by later appends; work on its entries only.
    const std::vector<MkvSeek> entries = seekHead.items;
    for (const MkvSeek& entry : entries) {
        // Positions are relative to our first payload byte. A forged position
        // saturates past the end of the file and fails as a read there.
        const int64_t target = addOffsets(dataOffset, entry.seekPosition);
        if (reader == nullptr) {
            throw MkvException(MkvErrorCode::InvalidElement, target);
        }
        switch (static_cast<int32_t>(entry.seekId)) {
            case ID_INFO:
                addInfo(MkvElement(reader, target));
                break;
            case ID_TRACKS:
                addTracks(MkvElement(reader, target));
                break;
            case ID_CUES:
                loadFirst(cues, MkvCue(MkvElement(reader, target)));
                break;
            case ID_ATTACHMENTS:
                loadFirst(attachments, MkvAttachment(reader, target));
                break;
            case ID_NVR_TAG: {
                const MkvElement header(reader, target);
                if (header.id == ID_NVR_TAG && recorderTags.size() < kMaxRecorderTags) {
                    recorderTags.insert(header.headerOffset);
                }
                loadFirst(tag, TNVRTag(header));
                break;
            }
            default:
                break;  // seek heads, clusters and the rest are not followed
        }
    }
}

}  // namespace nvr
