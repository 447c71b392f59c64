#include "container/MkvTrack.h"

#include "container/MkvFields.h"
#include "container/MkvIds.h"

namespace nvr {

int32_t MkvTrackEntry::parse() {
    readFields(*this, {{ID_TRACK_NUMBER, trackNumber},
                       {ID_TRACK_UID, trackUid},
                       {ID_TRACK_TYPE, trackType},
                       {ID_FLAG_ENABLED, flagEnabled},
                       {ID_FLAG_LACING, flagLacing},
                       textField(ID_LANGUAGE, language),
                       textField(ID_CODEC_ID, codecId),
                       textField(ID_TRACK_NAME, name),
                       {ID_VIDEO, [this](const MkvElement& child) { parseVideo(child); }},
                       {ID_AUDIO, [this](const MkvElement& child) { parseAudio(child); }}});
    return 0;
}

void MkvTrackEntry::parseVideo(const MkvElement& settings) {
    // The settings share storage (MkvMediaSettings), so they go through its setters.
    MkvMediaSettings& m = media;
    readFields(
        settings,
        {{ID_PIXEL_WIDTH, [&m](const MkvElement& c) { m.setPixelWidth(readU32(c)); }},
         {ID_PIXEL_HEIGHT, [&m](const MkvElement& c) { m.setPixelHeight(readU32(c)); }},
         {ID_DISPLAY_WIDTH, [&m](const MkvElement& c) { m.setDisplayWidth(readU32(c)); }},
         {ID_DISPLAY_HEIGHT, [&m](const MkvElement& c) { m.setDisplayHeight(readU32(c)); }},
         {ID_DISPLAY_UNIT, [&m](const MkvElement& c) { m.setDisplayUnit(readU32(c)); }},
         {ID_ASPECT_RATIO_TYPE, [&m](const MkvElement& c) { m.setAspectRatioType(readU32(c)); }}});
}

void MkvTrackEntry::parseAudio(const MkvElement& settings) {
    MkvMediaSettings& m = media;
    readFields(settings,
               {{ID_SAMPLING_FREQUENCY,
                 [&m](const MkvElement& c) { m.setSamplingFrequency(readDouble(c)); }},
                {ID_CHANNELS, [&m](const MkvElement& c) { m.setChannels(readU32(c)); }},
                {ID_BIT_DEPTH, [&m](const MkvElement& c) { m.setBitDepth(readU32(c)); }}});
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
