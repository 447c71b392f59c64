#pragma once

#include <cstdint>
#include <vector>

// What a finding is about, as a stable code for machines; the reports write
// its name ("chain-break"). docs/report-format.md documents every one.
enum class FindingCode : uint8_t {
    ChainBreak,
    ClusterMismatch,
    ClusterRemoved,
    ClusterInserted,
    ClusterMoved,
    ClusterDuplicated,
    ClusterSpliced,
    ChainBroken,
    ClusterUnsigned,
    ClusterError,
    UnsignedFrames,
    UnprovenFrames,
    RecordingTruncated,
    ChainEndMismatch,
    ClustersAppended,
    TagAltered,
    TagUnknownKey,
    TagMismatch,
    TagFieldUnsigned,
    TagMultiple,
    TagMissing,
    TagNoSerial,
    TagUnsigned,
    KeyUnknown,
    KeyOutsideValidity,
    KeyChanged,
    KeyKnown,
    RecordingUnsigned,
    WalkError,
    TrialsExhausted,
    FileError,
    NoClusters,
    FixityChanged,
    FixityMissing,
    FixityUnreadable,  // last: a test counts the codes up to it
};

struct FindingCodeName {
    FindingCode code;
    const char* name;
};

// Every code with its name, in the order of the documentation.
const std::vector<FindingCodeName>& findingCodes();

// The name the reports write.
const char* findingCodeName(FindingCode code);
