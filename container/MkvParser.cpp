#include "container/MkvParser.h"

#include "container/MkvIds.h"
#include "container/ReadBudget.h"

namespace nvr {

MkvParser::MkvParser(const char* path) {
    if (path == nullptr) {
        throw MkvException(MkvErrorCode::Invalid);
    }
    if (reader.open(path) != ReaderStatus::Ok) {
        throw MkvException(MkvErrorCode::Other, "failed to open file");
    }
}

MkvParser::MkvParser(std::unique_ptr<iReader> source_) : externalSource(std::move(source_)) {
    if (!externalSource) {
        throw MkvException(MkvErrorCode::Invalid);
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
        throw MkvException(MkvErrorCode::NoReader);
    }
    const ReadBudget budget(bytes->size());
    const MkvElement first(bytes, 0);
    header = MkvEBMLHeader(first);
    header.parse();

    // Nothing may stand between the EBML header and the Segment.
    const MkvElement next(bytes, header.endOffset());
    if (next.id != ID_SEGMENT) {
        throw MkvException(MkvErrorCode::NotValidFile, next.headerOffset);
    }
    segment = MkvSegment(next);
    segment.parse();
    return 0;
}

}  // namespace nvr
