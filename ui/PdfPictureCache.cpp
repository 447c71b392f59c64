#include "ui/PdfPictureCache.h"

#include <algorithm>
#include <climits>

QImage PdfPictureCache::decode(const std::vector<uint8_t>& png) {
    // Decoded under the lock too, so a picture two threads meet at once
    // is still one image.
    const std::lock_guard<std::mutex> lock(mutex);
    const auto same = std::find_if(recent.begin(), recent.end(),
                                   [&png](const Decoded& seen) { return seen.png == png; });
    if (same != recent.end()) {
        return same->image;
    }
    QImage image;
    if (!png.empty() && png.size() <= static_cast<size_t>(INT_MAX)) {
        image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG");
    }
    if (image.isNull()) {
        return image;
    }
    recent.push_front({png, image});
    if (recent.size() > kKept) {
        recent.pop_back();
    }
    return image;
}
