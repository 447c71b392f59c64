#include "container/MkvParser.h"

#include <utility>

#include "container/MkvIds.h"
#include "container/ReadBudget.h"

namespace nvr {

MkvParser::MkvParser(const char* path) {
    if (path == nullptr) {
        throw MkvException(MkvErrorCode::Invalid);
    }
    RecordingFile::Opened opened = RecordingFile::open(path);
    if (!opened.file) {
        throw MkvException(MkvErrorCode::Other, opened.verdictText());
    }
    reader.openShared(std::move(opened.file));
}

MkvParser::MkvParser(std::shared_ptr<const RecordingFile> file) {
    if (reader.openShared(std::move(file)) != ReaderStatus::Ok) {
        throw MkvException(MkvErrorCode::Invalid);
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
