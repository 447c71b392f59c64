#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// The report's pictures decoded once while they recur: the same PNG bytes
// give back the same QImage, whose cache key lets the PDF engine embed it
// once however many files show it (copies of one recording in a batch).
// Holds the last few distinct pictures only, so memory stays bounded
// however many files there are. Safe to use from several threads.
class PdfPictureCache {
  public:
    // Null when the bytes are not a PNG it can decode.
    QImage decode(const std::vector<uint8_t>& png);

  private:
    struct Decoded {
        std::vector<uint8_t> png;
        QImage image;
    };

    // Five pictures a failed file: a few files' worth.
    static constexpr size_t kKept = 32;
    std::mutex mutex;
    std::deque<Decoded> recent;  // newest first; guarded by `mutex`
};
