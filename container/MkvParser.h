#pragma once

#include <memory>

#include "container/MkvEBMLHeader.h"
#include "container/MkvFileReader.h"
#include "container/MkvSegment.h"

namespace nvr {

// One recording: opens it, checks that an EBML header is followed by a
// Segment, and loads the segment's metadata with the recorder tag.
class MkvParser {
public:
    // Opens the file (path in the local 8-bit encoding). Throws MkvException:
    // MKV_ERR_INVALID for a null path, "failed to open file" otherwise.
    explicit MkvParser(const char* path);
    // Reads from another byte source, such as one in memory.
    explicit MkvParser(std::unique_ptr<iReader> source);
    MkvParser(const MkvParser&) = delete;
    MkvParser& operator=(const MkvParser&) = delete;
    virtual ~MkvParser();

    // Reads the EBML header and the first Segment; returns 0 or throws.
    int parse();

    const MkvEBMLHeader& ebmlHeader() const { return header; }
    const MkvSegment& parsedSegment() const { return segment; }
    const TNVRTag& tag() const { return segment.tag; }

private:
    iReader* source();

    MkvFileReader reader;
    std::unique_ptr<iReader> externalSource;
    MkvEBMLHeader header;
    MkvSegment segment;
};

}  // namespace nvr
