#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/RecorderCrypto.h"
#include "support/RecorderOptions.h"

// Writes signed recordings the way the network video recorder does, so that
// tests and demo files run through the real verification. Files of any size
// are streamed: a cluster's frames are generated, written and fed to its
// signer piece by piece, then its signature value is patched in place.
namespace recorder {

// Absolute file offsets; ranges are half-open [begin, end). -1: none.
struct ClusterRecord {
    int chainIndex = -1;  // -1: a foreign cluster outside the chain
    int64_t headerOffset = -1;
    int64_t dataOffset = -1;
    int64_t endOffset = -1;
    uint64_t timecode = 0;
    int64_t signatureOffset = -1;  // header of the signature element that counts
    int64_t valueOffset = -1;      // its stored value
    int64_t signedBegin = -1;
    int64_t signedEnd = -1;
    SignatureParams signature{0, 0};  // {0, 0}: unsigned
    Bytes key;                        // empty: the built-in key of the kind
    Bytes value;                      // as stored

    int64_t signedLength() const { return signedEnd - signedBegin; }
};

struct TagRecord {
    bool present = false;
    int64_t headerOffset = -1;
    int64_t dataOffset = -1;
    int64_t endOffset = -1;
    int64_t signatureOffset = -1;
    int64_t valueOffset = -1;
    int64_t signedBegin = -1;
    int64_t signedEnd = -1;
    int64_t serialOffset = -1;        // first byte of the serial number's text
    SignatureParams signature{0, 0};  // {0, 0}: unsigned
    Bytes value;
    Bytes finalSignature;
};

struct Recording {
    std::string path;
    int64_t segmentHeaderOffset = -1;
    int64_t segmentDataOffset = -1;
    int64_t segmentEnd = -1;  // as declared; past the file's end after truncation
    int64_t seekHeadOffset = -1;
    int64_t infoOffset = -1;
    int64_t tracksOffset = -1;
    TagRecord tag;
    std::vector<ClusterRecord> clusters;  // in file order, dropped ones absent
    Bytes chainEnd;                       // value of the last cluster of the intact chain
    int64_t fileSize = 0;
};

// Writes the recording to `path`, replacing any file there. Throws
// std::invalid_argument for options that cannot be laid out, and
// std::runtime_error for I/O and library failures.
Recording writeRecording(const std::string& path, const RecorderOptions& options,
                         const RecorderKeys& keys = RecorderKeys::defaults());

}  // namespace recorder
