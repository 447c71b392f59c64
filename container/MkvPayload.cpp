#include "container/MkvPayload.h"

#include <algorithm>
#include <string>

#include "container/ReadBudget.h"

namespace nvr {

namespace {

// Reads `child`'s payload into `buffer` (already sized and zeroed). Large
// payloads go in pieces because a single read takes a 32-bit length.
void fillPayload(const MkvElement& child, ByteBuffer& buffer) {
    constexpr int64_t kPiece = int64_t{1} << 30;
    int64_t done = 0;
    while (done < child.dataSize) {
        const int64_t piece = std::min(kPiece, child.dataSize - done);
        const int32_t got = child.reader->read(child.dataOffset + done, static_cast<int32_t>(piece),
                                               buffer.data() + done);
        if (got <= 0) {
            // A failed read leaves the whole payload zero-filled.
            std::fill(buffer.begin(), buffer.end(), uint8_t{0});
            return;
        }
        done += piece;
    }
}

ByteBuffer readBytes(const MkvElement& child, bool terminate) {
    const int64_t available = child.reader != nullptr ? child.reader->size() : -1;
    if (available < 0 || child.dataOffset > available ||
        child.dataSize > available - child.dataOffset) {
        throw MkvException(MkvErrorCode::OutOfRange, child.headerOffset);
    }
    ReadBudget::chargePayload(child.dataSize, child.headerOffset);
    ByteBuffer buffer(static_cast<size_t>(child.dataSize) + (terminate ? 1 : 0), 0);
    fillPayload(child, buffer);
    return buffer;
}

}  // namespace

uint32_t readU32(const MkvElement& child) {
    return static_cast<uint32_t>(readI64(child));
}

int64_t readI64(const MkvElement& child) {
    if (child.dataSize > 8) {
        return -1;
    }
    return readUInt(child.reader, child.dataOffset, static_cast<int8_t>(child.dataSize), 0);
}

bool readBool(const MkvElement& child) {
    return readI64(child) != 0;
}

double readDouble(const MkvElement& child) {
    if (child.dataSize != 4 && child.dataSize != 8) {
        return -1.0;
    }
    return readFloat(child.reader, child.dataOffset, static_cast<int8_t>(child.dataSize));
}

ByteBuffer readText(const MkvElement& child) {
    return readBytes(child, true);
}

ByteBuffer readBinary(const MkvElement& child) {
    return readBytes(child, false);
}

std::string textOf(const ByteBuffer& buffer) {
    const auto zero = std::find(buffer.begin(), buffer.end(), uint8_t{0});
    return std::string(buffer.begin(), zero);
}

}  // namespace nvr
