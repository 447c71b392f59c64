#include "container/MkvElement.h"

#include <cstring>

#include "container/ReadBudget.h"

namespace nvr {

namespace {

// Byte count of a variable-length integer from its first byte: leading zero
// bits plus one. The caller has ruled out a first byte of 0.
int8_t vintLength(uint8_t first) {
    int8_t length = 1;
    for (uint8_t mask = 0x80; (first & mask) == 0; mask >>= 1) {
        ++length;
    }
    return length;
}

}  // namespace

int64_t readUInt(iReader* reader, int64_t offset, int8_t length, int64_t seed) {
    if (length < 1 || length > 8 || reader == nullptr) {
        return -1;
    }
    uint8_t bytes[8] = {};
    if (reader->read(offset, length, bytes) <= 0) {
        return -1;
    }
    // Unsigned arithmetic: eight bytes shift the seed out without overflow.
    uint64_t value = static_cast<uint64_t>(seed);
    for (int i = 0; i < length; ++i) {
        value = (value << 8) | bytes[i];
    }
    return static_cast<int64_t>(value);
}

double readFloat(iReader* reader, int64_t offset, int8_t length) {
    if ((length != 4 && length != 8) || reader == nullptr) {
        return -1.0;
    }
    uint8_t bytes[8] = {};
    if (reader->read(offset, length, bytes) <= 0) {
        return -1.0;
    }
    uint64_t bits = 0;
    for (int i = 0; i < length; ++i) {
        bits = (bits << 8) | bytes[i];
    }
    if (length == 4) {
        const auto narrow = static_cast<uint32_t>(bits);
        float value = 0.0f;
        std::memcpy(&value, &narrow, sizeof value);
        return static_cast<double>(value);
    }
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

MkvErrorCode readElementId(iReader* reader, int64_t offset, MkvElement& element) {
    uint8_t first = 0;
    if (reader == nullptr || reader->read(offset, 1, &first) <= 0) {
        return MkvErrorCode::Io;
    }
    if (first == 0) {
        return MkvErrorCode::BadEbmlId;
    }
    const int8_t length = vintLength(first);
    int64_t value = first;
    if (length > 1) {
        value = readUInt(reader, addOffsets(offset, 1), static_cast<int8_t>(length - 1), first);
    }
    // Only the low 32 bits are kept; a negative or zero ID is refused.
    const auto id = static_cast<int32_t>(static_cast<uint32_t>(value));
    if (id <= 0) {
        return MkvErrorCode::BadEbmlId;
    }
    element.id = id;
    element.idLength = length;
    return MkvErrorCode::None;
}

MkvErrorCode readDataSize(iReader* reader, int64_t offset, MkvElement& element) {
    uint8_t first = 0;
    if (reader == nullptr || reader->read(offset, 1, &first) <= 0) {
        return MkvErrorCode::Io;
    }
    if (first == 0) {
        return MkvErrorCode::BadEbmlDataSize;
    }
    const int8_t length = vintLength(first);
    const uint8_t marker = static_cast<uint8_t>(0x80u >> (length - 1));
    int64_t value = first & static_cast<uint8_t>(~marker);
    if (length > 1) {
        value = readUInt(reader, addOffsets(offset, 1), static_cast<int8_t>(length - 1), value);
    }
    // Sizes are taken literally: no unknown-size marker, and an empty
    // payload (or a failed read, -1) is refused.
    if (value <= 0) {
        return MkvErrorCode::BadEbmlDataSize;
    }
    element.dataSize = value;
    element.sizeLength = length;
    return MkvErrorCode::None;
}

MkvElement::MkvElement(iReader* reader_, int64_t offset, int8_t idLength_)
    : headerOffset(offset), reader(reader_) {
    if (reader == nullptr) {
        throw MkvException(MkvErrorCode::InvalidElement, offset);
    }
    readHeader(offset, idLength_);
}

int32_t MkvElement::readHeader(int64_t offset, int8_t idLength_) {
    if (reader == nullptr) {
        throw MkvException(MkvErrorCode::NoReader);
    }
    ReadBudget::chargeHeader(offset);
    id = 0;
    dataSize = 0;
    if (idLength_ == 0) {
        const MkvErrorCode code = readElementId(reader, offset, *this);
        if (code != MkvErrorCode::None) {
            throw MkvException(code, offset);
        }
    } else {
        id = static_cast<int32_t>(static_cast<uint32_t>(readUInt(reader, offset, idLength_, 0)));
        idLength = idLength_;
    }
    if (id <= 0) {
        throw MkvException(MkvErrorCode::BadEbmlId, offset);
    }
    const MkvErrorCode code = readDataSize(reader, addOffsets(offset, idLength), *this);
    if (code != MkvErrorCode::None) {
        throw MkvException(code, offset);
    }
    headerOffset = offset;
    dataOffset = addOffsets(offset, idLength + sizeLength);
    return 0;
}

int32_t MkvElement::parse() {
    if (headerOffset < 0) {
        throw MkvException(MkvErrorCode::InvalidElement);
    }
    return readHeader(headerOffset, 0);
}

}  // namespace nvr
