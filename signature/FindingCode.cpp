#include "signature/FindingCode.h"

const std::vector<FindingCodeName>& findingCodes() {
    static const std::vector<FindingCodeName> table = {
        // Clusters that do not hold where they stand, and why they may not.
        {FindingCode::ChainBreak, "chain-break"},            // fails, the chain picks up after it
        {FindingCode::ClusterMismatch, "cluster-mismatch"},  // no key tried holds
        {FindingCode::ClusterRemoved, "cluster-removed"},    // as chain-break, after a jump in time
        {FindingCode::ClusterInserted, "cluster-inserted"},  // a later cluster skips them
        {FindingCode::ClusterMoved, "cluster-moved"},        // holds under another cluster's value
        {FindingCode::ClusterDuplicated, "cluster-duplicated"},  // repeats an earlier cluster
        {FindingCode::ClusterSpliced, "cluster-spliced"},  // holds only under the built-in key
        {FindingCode::ChainBroken, "chain-broken"},        // the cluster keying it is unsigned
        {FindingCode::ClusterUnsigned, "cluster-unsigned"},
        {FindingCode::ClusterError, "cluster-error"},      // reading or checking it failed
        {FindingCode::UnsignedFrames, "unsigned-frames"},  // frames before the signature element
        {FindingCode::UnprovenFrames, "unproven-frames"},  // frames a player reads, outside the proof
        // The recording as a whole and its chain's end.
        {FindingCode::RecordingTruncated, "recording-truncated"},
        {FindingCode::ChainEndMismatch, "chain-end-mismatch"},
        {FindingCode::ClustersAppended, "clusters-appended"},  // after the tag's final value
        // The recorder tag.
        {FindingCode::TagAltered, "tag-altered"},  // RSA by the recorder's key, over other bytes
        {FindingCode::TagUnknownKey, "tag-unknown-key"},
        {FindingCode::TagMismatch, "tag-mismatch"},  // its HMAC does not match
        {FindingCode::TagFieldUnsigned, "tag-field-unsigned"},
        {FindingCode::TagMultiple, "tag-multiple"},
        {FindingCode::TagMissing, "tag-missing"},
        {FindingCode::TagNoSerial, "tag-no-serial"},
        {FindingCode::TagUnsigned, "tag-unsigned"},
        // The key that signed it, as the key store knows it.
        {FindingCode::KeyUnknown, "key-unknown"},  // no trusted key holds; chain consistent
        {FindingCode::KeyOutsideValidity, "key-outside-validity"},
        {FindingCode::KeyChanged, "key-changed"},  // two trusted keys in one recording
        {FindingCode::KeyKnown, "key-known"},
        {FindingCode::RecordingUnsigned, "recording-unsigned"},
        // The walk or the file could not be read through.
        {FindingCode::WalkError, "walk-error"},    // between clusters
        {FindingCode::TrialsExhausted, "trials-exhausted"},  // farther keys untried from here
        {FindingCode::FileError, "file-error"},    // not readable as a recording
        {FindingCode::NoClusters, "no-clusters"},  // while the tag names a final value
        // A case file's record of the file's bytes.
        {FindingCode::FixityChanged, "fixity-changed"},
        {FindingCode::FixityMissing, "fixity-missing"},
        {FindingCode::FixityUnreadable, "fixity-unreadable"},
    };
    return table;
}

const char* findingCodeName(FindingCode code) {
    for (const FindingCodeName& entry : findingCodes()) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return "unknown";  // unreachable: the table holds every code
}
