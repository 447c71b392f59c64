#include "container/MkvParser.h"

#include "container/MkvIds.h"
#include "container/ReadBudget.h"

namespace nvr {

MkvParser::MkvParser(const char* path) {
    if (path == nullptr) {
        throw MkvException(MKV_ERR_INVALID, -1);
    }
    if (reader.open(path) < 0) {
        throw MkvException(MKV_ERR_OTHER, "failed to open file");
    }
}

MkvParser::MkvParser(std::unique_ptr<iReader> source_) : externalSource(std::move(source_)) {
    if (!externalSource) {
        throw MkvException(MKV_ERR_INVALID, -1);
    }
}

MkvParser::~MkvParser() {
    reader.close();
}

iReader* MkvParser::source() {
    if (externalSource) {
        return externalSource.get();
    }
    return reader.isOpen ? &reader : nullptr;
}

int MkvParser::parse() {
    iReader* const bytes = source();
    if (bytes == nullptr) {
        throw MkvException(MKV_ERR_NO_READER, -1);
    }
    const ReadBudget budget(bytes->size());
    const MkvElement first(bytes, 0);
    header = MkvEBMLHeader(first);
    header.parse();

    // Nothing may stand between the EBML header and the Segment.
    const MkvElement next(bytes, header.endOffset());
    if (next.id != ID_SEGMENT) {
        throw MkvException(MKV_ERR_NOT_VALID_FILE, next.headerOffset);
    }
    segment = MkvSegment(next);
    segment.parse();
    return 0;
}

}  // namespace nvr
