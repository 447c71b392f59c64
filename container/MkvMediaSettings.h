#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace nvr {

// Video and audio settings of a track entry share one storage area: an
// entry holds one or the other, and whichever child is read later owns each
// shared place (an audio channel count also shows as the display width).
// Byte copies instead of a union keep the sharing well-defined C++.
class MkvMediaSettings {
  public:
    uint32_t pixelWidth() const { return get<uint32_t>(0); }
    uint32_t pixelHeight() const { return get<uint32_t>(4); }
    uint32_t displayWidth() const { return get<uint32_t>(8); }
    uint32_t displayHeight() const { return get<uint32_t>(12); }
    uint32_t displayUnit() const { return get<uint32_t>(16); }
    uint32_t aspectRatioType() const { return get<uint32_t>(20); }
    double samplingFrequency() const { return get<double>(0); }
    uint32_t channels() const { return get<uint32_t>(8); }
    uint32_t bitDepth() const { return get<uint32_t>(12); }

    void setPixelWidth(uint32_t v) { set(0, v); }
    void setPixelHeight(uint32_t v) { set(4, v); }
    void setDisplayWidth(uint32_t v) { set(8, v); }
    void setDisplayHeight(uint32_t v) { set(12, v); }
    void setDisplayUnit(uint32_t v) { set(16, v); }
    void setAspectRatioType(uint32_t v) { set(20, v); }
    void setSamplingFrequency(double v) { set(0, v); }
    void setChannels(uint32_t v) { set(8, v); }
    void setBitDepth(uint32_t v) { set(12, v); }

  private:
    template <typename T>
    T get(size_t at) const {
        T value;
        std::memcpy(&value, storage + at, sizeof value);
        return value;
    }
    template <typename T>
    void set(size_t at, T value) {
        std::memcpy(storage + at, &value, sizeof value);
    }

    unsigned char storage[24] = {};
};

}  // namespace nvr
