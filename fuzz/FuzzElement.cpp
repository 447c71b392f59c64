// Fuzz target: the element header decoders and payload readers alone, then
// one record's parse. The first input byte steers: its low four bits pick
// the record parsed at offset 0, its high bit makes the source claim more
// bytes than it holds (a file cut after it was opened). The rest is the
// source.
//
// The decoders are checked against a plain reference decoding of the same
// bytes: what a header or an integer says must not depend on how the reader
// happens to compute it.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "container/MkvAttachment.h"
#include "container/MkvCue.h"
#include "container/MkvEBMLHeader.h"
#include "container/MkvMemoryReader.h"
#include "container/MkvPayload.h"
#include "container/MkvSeekHead.h"
#include "container/MkvSegment.h"
#include "container/MkvSegmentInfo.h"
#include "container/MkvTrack.h"
#include "container/NvrSignature.h"
#include "container/ReadBudget.h"
#include "container/TNVRTag.h"
#include "fuzz/FuzzCheck.h"

namespace {

// Offsets at which every decoder is tried; enough to cover nested headers
// without making one input cost more than a few hundred decodes.
constexpr int64_t kOffsetsTried = 40;

class Source {
  public:
    Source(const uint8_t* data, int64_t held, int64_t declared)
        : bytes(data, data + held), reader(bytes, declared) {}

    int64_t held() const { return static_cast<int64_t>(bytes.size()); }
    int64_t declared() { return reader.size(); }
    nvr::MkvMemoryReader* get() { return &reader; }

    // True when [offset, offset + length) lies in the bytes held.
    bool holds(int64_t offset, int64_t length) const {
        return offset >= 0 && length >= 0 && offset <= held() && length <= held() - offset;
    }
    // Big-endian value of `length` held bytes (1 to 8).
    uint64_t bigEndian(int64_t offset, int length) const {
        uint64_t value = 0;
        for (int i = 0; i < length; ++i) {
            value = (value << 8) | bytes[static_cast<size_t>(offset + i)];
        }
        return value;
    }
    uint8_t at(int64_t offset) const { return bytes[static_cast<size_t>(offset)]; }

  private:
    std::vector<uint8_t> bytes;
    nvr::MkvMemoryReader reader;
};

int vintLength(uint8_t first) {
    int length = 1;
    while ((first & (0x80 >> (length - 1))) == 0) {
        ++length;
    }
    return length;
}

struct Expected {
    nvr::MkvErrorCode code = nvr::MkvErrorCode::None;
    int64_t value = 0;
    int length = 0;
};

Expected expectedId(const Source& source, int64_t offset) {
    if (!source.holds(offset, 1)) {
        return {nvr::MkvErrorCode::Io};
    }
    const uint8_t first = source.at(offset);
    if (first == 0) {
        return {nvr::MkvErrorCode::BadEbmlId};
    }
    const int length = vintLength(first);
    if (!source.holds(offset, length)) {
        return {nvr::MkvErrorCode::BadEbmlId};
    }
    const auto id = static_cast<int32_t>(static_cast<uint32_t>(source.bigEndian(offset, length)));
    if (id <= 0) {
        return {nvr::MkvErrorCode::BadEbmlId};
    }
    return {nvr::MkvErrorCode::None, id, length};
}

Expected expectedSize(const Source& source, int64_t offset) {
    if (!source.holds(offset, 1)) {
        return {nvr::MkvErrorCode::Io};
    }
    const uint8_t first = source.at(offset);
    if (first == 0) {
        return {nvr::MkvErrorCode::BadEbmlDataSize};
    }
    const int length = vintLength(first);
    if (!source.holds(offset, length)) {
        return {nvr::MkvErrorCode::BadEbmlDataSize};
    }
    const uint64_t marker = uint64_t{1} << (7 * length);
    const auto size = static_cast<int64_t>(source.bigEndian(offset, length) & (marker - 1));
    if (size <= 0) {
        return {nvr::MkvErrorCode::BadEbmlDataSize};
    }
    return {nvr::MkvErrorCode::None, size, length};
}

int64_t expectedUInt(const Source& source, int64_t offset, int length) {
    if (length < 1 || length > 8 || !source.holds(offset, length)) {
        return -1;
    }
    return static_cast<int64_t>(source.bigEndian(offset, length));
}

uint64_t bitsOf(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// readFloat widens a single to double; compare bit patterns so that NaNs
// compare too.
uint64_t expectedFloatBits(const Source& source, int64_t offset, int length) {
    if ((length != 4 && length != 8) || !source.holds(offset, length)) {
        return bitsOf(-1.0);
    }
    const uint64_t raw = source.bigEndian(offset, length);
    if (length == 8) {
        return raw;
    }
    const auto narrow = static_cast<uint32_t>(raw);
    float single = 0.0f;
    std::memcpy(&single, &narrow, sizeof single);
    return bitsOf(static_cast<double>(single));
}

void checkPayloads(Source& source, const nvr::MkvElement& element) {
    const int64_t declared = source.declared();
    const bool fits =
        element.dataOffset <= declared && element.dataSize <= declared - element.dataOffset;
    for (const bool terminate : {false, true}) {
        try {
            const nvr::ByteBuffer buffer =
                terminate ? nvr::readText(element) : nvr::readBinary(element);
            FUZZ_CHECK(fits);
            FUZZ_CHECK(static_cast<int64_t>(buffer.size()) ==
                       element.dataSize + (terminate ? 1 : 0));
            const bool held = source.holds(element.dataOffset, element.dataSize);
            for (int64_t i = 0; i < element.dataSize; ++i) {
                const uint8_t want = held ? source.at(element.dataOffset + i) : 0;
                FUZZ_CHECK(buffer[static_cast<size_t>(i)] == want);
            }
            FUZZ_CHECK(!terminate || buffer.back() == 0);
        } catch (const nvr::MkvException& e) {
            FUZZ_CHECK(!fits);
            FUZZ_CHECK(e.code() == nvr::MkvErrorCode::OutOfRange &&
                       e.position() == element.headerOffset);
        }
    }
    const int64_t integer = nvr::readI64(element);
    FUZZ_CHECK(integer == (element.dataSize > 8
                               ? -1
                               : expectedUInt(source, element.dataOffset,
                                              static_cast<int>(element.dataSize))));
    FUZZ_CHECK(bitsOf(nvr::readDouble(element)) ==
               expectedFloatBits(source, element.dataOffset,
                                 element.dataSize > 8 ? 0 : static_cast<int>(element.dataSize)));
}

void checkDecoders(Source& source, int64_t offset) {
    nvr::iReader* const reader = source.get();

    nvr::MkvElement idOnly;
    const Expected id = expectedId(source, offset);
    FUZZ_CHECK(nvr::readElementId(reader, offset, idOnly) == id.code);
    if (id.code == nvr::MkvErrorCode::None) {
        FUZZ_CHECK(idOnly.id == id.value && idOnly.idLength == id.length);
    }

    nvr::MkvElement sizeOnly;
    const Expected size = expectedSize(source, offset);
    FUZZ_CHECK(nvr::readDataSize(reader, offset, sizeOnly) == size.code);
    if (size.code == nvr::MkvErrorCode::None) {
        FUZZ_CHECK(sizeOnly.dataSize == size.value && sizeOnly.sizeLength == size.length);
    }

    for (int length = 0; length <= 9; ++length) {
        FUZZ_CHECK(nvr::readUInt(reader, offset, static_cast<int8_t>(length), 0) ==
                   expectedUInt(source, offset, length));
    }
    for (const int length : {2, 4, 8}) {
        FUZZ_CHECK(bitsOf(nvr::readFloat(reader, offset, static_cast<int8_t>(length))) ==
                   expectedFloatBits(source, offset, length));
    }

    // The whole header: the ID's error first, then the size's, both at the
    // header's own offset.
    Expected header = id;
    if (id.code == nvr::MkvErrorCode::None) {
        header = expectedSize(source, offset + id.length);
    }
    try {
        const nvr::MkvElement element(reader, offset);
        FUZZ_CHECK(header.code == nvr::MkvErrorCode::None);
        FUZZ_CHECK(element.id == id.value && element.idLength == id.length);
        FUZZ_CHECK(element.dataSize == header.value && element.sizeLength == header.length);
        FUZZ_CHECK(element.headerOffset == offset);
        FUZZ_CHECK(element.dataOffset == offset + element.idLength + element.sizeLength);
        FUZZ_CHECK(element.isValid());
        checkPayloads(source, element);
    } catch (const nvr::MkvException& e) {
        FUZZ_CHECK(e.code() == header.code && e.position() == offset);
        FUZZ_CHECK(fuzz::messageMatches(e));
    }
}

template <typename Record>
void parseAs(nvr::iReader* reader) {
    Record record(nvr::MkvElement(reader, 0));
    record.parse();
    const Record copy = record;  // deep copies of whatever was loaded
    (void)copy;
}

void parseRecord(Source& source, int kind) {
    nvr::iReader* const reader = source.get();
    // As inside the parser, so a forged record costs what a real one may.
    const nvr::ReadBudget budget(source.declared());
    try {
        switch (kind) {
            case 0:
                parseAs<nvr::MkvEBMLHeader>(reader);
                break;
            case 1:
                parseAs<nvr::MkvSegmentInfo>(reader);
                break;
            case 2:
                parseAs<nvr::MkvTrack>(reader);
                break;
            case 3:
                parseAs<nvr::MkvTrackEntry>(reader);
                break;
            case 4:
                parseAs<nvr::MkvCue>(reader);
                break;
            case 5:
                parseAs<nvr::MkvCuePoint>(reader);
                break;
            case 6: {
                nvr::MkvAttachment attachments(reader, 0);
                attachments.parse();
                break;
            }
            case 7:
                parseAs<nvr::MkvSeekHead>(reader);
                break;
            case 8:
                parseAs<nvr::NvrSignature>(reader);
                break;
            case 9:
                parseAs<nvr::TNVRTag>(reader);
                break;
            default:
                parseAs<nvr::MkvSegment>(reader);
                break;
        }
    } catch (const nvr::MkvException& e) {
        switch (e.code()) {
            case nvr::MkvErrorCode::BadEbmlId:
            case nvr::MkvErrorCode::BadEbmlDataSize:
            case nvr::MkvErrorCode::OutOfRange:
            case nvr::MkvErrorCode::Io:
                break;
            case nvr::MkvErrorCode::NotValidFile:
                FUZZ_CHECK(kind == 0);
                break;
            default:
                FUZZ_CHECK(false && "unexpected error code");
        }
        FUZZ_CHECK(fuzz::messageMatches(e));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t control = data[0];
    const auto held = static_cast<int64_t>(size - 1);
    const int64_t declared = (control & 0x80) != 0 ? held + 1 + ((control >> 4) & 0x7) * 64 : held;
    Source source(data + 1, held, declared);

    for (int64_t offset = 0; offset < kOffsetsTried && offset <= held; ++offset) {
        checkDecoders(source, offset);
    }
    parseRecord(source, control & 0x0F);
    return 0;
}
