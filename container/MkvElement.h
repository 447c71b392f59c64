#pragma once

#include <cstdint>

#include "container/MkvErrors.h"
#include "container/SafeOffset.h"
#include "container/iReader.h"

namespace nvr {

// The header of one EBML element and where it lies in the file; base of
// every record and list.
struct MkvElement {
    int32_t id = 0;             // as encoded, marker bit included
    int8_t idLength = 0;        // 1 to 8
    int64_t dataSize = 0;       // payload size, marker removed
    int8_t sizeLength = 0;      // 1 to 8
    int64_t headerOffset = -1;  // -1 until a header was read
    int64_t dataOffset = 0;     // headerOffset + idLength + sizeLength
    iReader* reader = nullptr;  // not owned; shared by many elements

    MkvElement() = default;
    // Reads the header at `offset`; throws MkvException.
    MkvElement(iReader* reader, int64_t offset, int8_t idLength = 0);
    MkvElement(const MkvElement&) = default;
    MkvElement& operator=(const MkvElement&) = default;
    virtual ~MkvElement() = default;

    // Decodes the header at `offset`: idLength 0 reads the ID as a
    // variable-length integer, any other value as that many raw bytes.
    virtual int32_t readHeader(int64_t offset, int8_t idLength = 0);
    // Base version re-reads the header; records walk their children.
    virtual int32_t parse();

    bool isValid() const { return id > 0 && dataSize >= 0; }
    // First byte after the payload; saturates instead of overflowing.
    int64_t endOffset() const { return addOffsets(dataOffset, dataSize); }

  protected:
    // Copies the seven header fields; used by the records' constructors.
    void copyHeader(const MkvElement& other) { MkvElement::operator=(other); }
};

// Header decoders and payload readers; see MkvElement.cpp.
int64_t readUInt(iReader* reader, int64_t offset, int8_t length, int64_t seed = 0);
double readFloat(iReader* reader, int64_t offset, int8_t length);
MkvErrorCode readElementId(iReader* reader, int64_t offset, MkvElement& element);
MkvErrorCode readDataSize(iReader* reader, int64_t offset, MkvElement& element);

// Walks the children of `parent` in file order and hands each header to
// `onChild`. Every step advances by at least two bytes, so the walk ends.
template <typename OnChild>
void walkChildren(const MkvElement& parent, OnChild&& onChild) {
    const int64_t end = parent.endOffset();
    int64_t position = parent.dataOffset;
    while (position < end) {
        if (parent.reader == nullptr) {
            throw MkvException(MkvErrorCode::InvalidElement, position);
        }
        const MkvElement child(parent.reader, position);
        onChild(child);
        position = child.endOffset();
    }
}

}  // namespace nvr
