#include "container/MkvTrack.h"

#include "container/MkvIds.h"

namespace nvr {

int32_t MkvTrackEntry::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_TRACK_NUMBER:
                trackNumber = readU32(child);
                break;
            case ID_TRACK_UID:
                trackUid = readI64(child);
                break;
            case ID_TRACK_TYPE:
                trackType = readU32(child);
                break;
            case ID_FLAG_ENABLED:
                flagEnabled = readBool(child);
                break;
            case ID_FLAG_LACING:
                flagLacing = readBool(child);
                break;
            case ID_LANGUAGE:
                language = readText(child);
                break;
            case ID_CODEC_ID:
                codecId = readText(child);
                break;
            case ID_TRACK_NAME:
                name = readText(child);
                break;
            case ID_VIDEO:
                parseVideo(child);
                break;
            case ID_AUDIO:
                parseAudio(child);
                break;
            default:
                break;
        }
    });
    return 0;
}

void MkvTrackEntry::parseVideo(const MkvElement& settings) {
    walkChildren(settings, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_PIXEL_WIDTH:
                media.setPixelWidth(readU32(child));
                break;
            case ID_PIXEL_HEIGHT:
                media.setPixelHeight(readU32(child));
                break;
            case ID_DISPLAY_WIDTH:
                media.setDisplayWidth(readU32(child));
                break;
            case ID_DISPLAY_HEIGHT:
                media.setDisplayHeight(readU32(child));
                break;
            case ID_DISPLAY_UNIT:
                media.setDisplayUnit(readU32(child));
                break;
            case ID_ASPECT_RATIO_TYPE:
                media.setAspectRatioType(readU32(child));
                break;
            default:
                break;
        }
    });
}

void MkvTrackEntry::parseAudio(const MkvElement& settings) {
    walkChildren(settings, [this](const MkvElement& child) {
        switch (child.id) {
            case ID_SAMPLING_FREQUENCY:
                media.setSamplingFrequency(readDouble(child));
                break;
            case ID_CHANNELS:
                media.setChannels(readU32(child));
                break;
            case ID_BIT_DEPTH:
                media.setBitDepth(readU32(child));
                break;
            default:
                break;
        }
    });
}

int32_t MkvTrack::parse() {
    walkChildren(*this, [this](const MkvElement& child) {
        if (child.id == ID_TRACK_ENTRY) {
            MkvTrackEntry entry(child);
            entry.parse();
            items.push_back(entry);
        }
    });
    return 0;
}

}  // namespace nvr
