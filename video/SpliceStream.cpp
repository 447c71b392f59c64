#include "video/SpliceStream.h"

extern "C" {
#include <libavutil/error.h>
}

#include <algorithm>
#include <cerrno>

namespace nvr::video {

ByteRange clampRange(ByteRange range, int64_t size) {
    range.begin = std::clamp<int64_t>(range.begin, 0, size);
    range.end = std::clamp<int64_t>(range.end, range.begin, size);
    return range;
}

SpliceStream::SpliceStream(const ByteSource& bytes, ByteRange head, ByteRange body)
    : source(bytes), parts{clampRange(head, bytes.size()), clampRange(body, bytes.size())} {
    at = parts[0].begin;
}

int SpliceStream::read(uint8_t* out, int size) {
    while (part < parts.size() && at >= parts[part].end) {
        ++part;
        if (part < parts.size()) {
            at = parts[part].begin;
        }
    }
    if (part >= parts.size() || size <= 0) {
        return AVERROR_EOF;
    }
    const int64_t wanted = std::min<int64_t>(size, parts[part].end - at);
    const int64_t n = source.read(at, out, static_cast<size_t>(wanted));
    if (n < 0) {
        return AVERROR(EIO);
    }
    if (n == 0) {
        return AVERROR_EOF;  // the file shrank under us
    }
    at += n;
    return static_cast<int>(n);
}

}  // namespace nvr::video
