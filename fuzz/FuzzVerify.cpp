// Fuzz target: the whole verification of one recording, metadata parse and
// signature walk, over the input as file bytes in memory. Only a result or
// an MkvException may come out: any other exception, a crash, a sanitizer
// report or a broken invariant below is a finding.
//
// Each input is verified four times: as it is; with the clusters checked on
// two threads, which must end exactly alike (verdict, texts, progress, the
// map of every cluster); as
// a file cut while it is being verified (it still claims its full size);
// and with a few bulk reads failing. The last two must never pass where the
// intact file does not: a read failure may end in an error or another
// verdict, never in a new success. The evidence is then built once more
// from the intact bytes and must agree with the verdict, and its JSON and
// HTML reports must hold whatever the file states, and a Success may have no
// frame a player reads outside the proven clusters' signed bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "container/MkvMemoryReader.h"
#include "container/MkvParser.h"
#include "fuzz/FuzzCheck.h"
#include "report/Escape.h"
#include "report/HtmlReport.h"
#include "report/JsonReport.h"
#include "signature/RecordingEvidence.h"
#include "signature/WalkEvidence.h"

namespace {

struct Outcome {
    bool threw = false;
    std::optional<VerifyWalkResult> result;             // when the walk finished
    nvr::MkvErrorCode error = nvr::MkvErrorCode::None;  // when it threw
    std::string text;  // the exception's message, or the walk's detail
    std::string serial;
    std::vector<double> fractions;
    std::string map;  // every cluster and run the walk recorded

    bool operator==(const Outcome& other) const {
        return threw == other.threw && result == other.result && error == other.error &&
               text == other.text && serial == other.serial && fractions == other.fractions &&
               map == other.map;
    }
};

enum class Walk { Sequential, Parallel };

std::string mapOf(const nvr::WalkEvidence& walk) {
    std::string text;
    for (const ClusterEntry& c : walk.map.entries()) {
        text += std::to_string(c.headerOffset) + clusterStatusCode(c.status) +
                std::to_string(keyTrialNumber(c.keyedBy)) + " ";
    }
    for (const ClusterRun& r : walk.map.runs()) {
        text += std::to_string(r.firstCluster) + "-" + std::to_string(r.lastCluster) + " ";
    }
    return text + walk.walkError;
}

void onProgress(double fraction, void* context) {
    static_cast<std::vector<double>*>(context)->push_back(fraction);
}

// Codes the reader and the walk may raise for any input; the others mean a
// missing reader or argument, which a parser over memory never has.
bool raisable(nvr::MkvErrorCode code) {
    switch (code) {
        case nvr::MkvErrorCode::BadEbmlId:
        case nvr::MkvErrorCode::BadEbmlDataSize:
        case nvr::MkvErrorCode::OutOfRange:
        case nvr::MkvErrorCode::Io:
        case nvr::MkvErrorCode::NotValidFile:
        case nvr::MkvErrorCode::Other:
            return true;
        default:
            return false;
    }
}

void checkException(const nvr::MkvException& e) {
    FUZZ_CHECK(raisable(e.code()));
    if (e.code() == nvr::MkvErrorCode::Other) {
        // Only the signature layer's failures travel as "other" here.
        FUZZ_CHECK(!e.position());
        FUZZ_CHECK(e.message().rfind("Caught DWMException: ", 0) == 0);
    } else {
        FUZZ_CHECK(e.position() && *e.position() >= 0);
        FUZZ_CHECK(fuzz::messageMatches(e));
    }
}

Outcome verify(const uint8_t* data, size_t size, int64_t declaredSize,
               nvr::ReadFailureSchedule schedule, Walk walk = Walk::Sequential) {
    Outcome outcome;
    const std::vector<uint8_t> bytes(data, data + size);
    std::unique_ptr<nvr::MkvParser> opened;
    try {
        opened = std::make_unique<nvr::MkvParser>(
            std::make_unique<nvr::MkvMemoryReader>(bytes, declaredSize, std::move(schedule)));
        nvr::MkvParser& parser = *opened;
        FUZZ_CHECK(parser.parse() == 0);
        if (walk == Walk::Parallel) {
            // A helper lends its byte source to a second thread.
            std::vector<std::unique_ptr<nvr::MkvParser>> helpers;
            helpers.push_back(std::make_unique<nvr::MkvParser>(
                std::make_unique<nvr::MkvMemoryReader>(bytes, declaredSize)));
            outcome.result =
                parser.verifySignaturesParallel(onProgress, &outcome.fractions, helpers);
        } else {
            outcome.result = parser.verifySignatures(onProgress, &outcome.fractions);
        }
        outcome.text = parser.verifyDetail();
        FUZZ_CHECK(outcome.result == VerifyWalkResult::Ok ||
                   outcome.result == VerifyWalkResult::Mismatch ||
                   outcome.result == VerifyWalkResult::Unsigned);
        // A verdict other than success always says why.
        FUZZ_CHECK((outcome.result == VerifyWalkResult::Ok) == parser.verifyDetail().empty());
        if (outcome.result == VerifyWalkResult::Ok) {
            const nvr::ByteBuffer& serial = parser.tag().serialNumber;
            FUZZ_CHECK(!serial.empty());
            outcome.serial.assign(serial.begin(), serial.end());
        }
    } catch (const nvr::MkvException& e) {
        checkException(e);
        outcome.threw = true;
        outcome.result.reset();
        outcome.error = e.code();
        outcome.text = e.what();
    }
    if (opened != nullptr) {
        outcome.map = mapOf(opened->walkEvidence());
    }
    // Progress: one report per cluster, strictly rising, below 1.
    double last = 0.0;
    for (const double fraction : outcome.fractions) {
        FUZZ_CHECK(fraction > last && fraction < 1.0);
        last = fraction;
    }
    return outcome;
}

// An element header as a demuxer reads it, from the input's bytes alone.
struct Header {
    uint32_t id = 0;
    size_t start = 0;
    size_t data = 0;
    std::optional<uint64_t> end;  // none: unknown size
};

std::optional<Header> headerAt(const uint8_t* data, size_t size, size_t at) {
    const auto vint = [&](size_t& p, size_t maxLength, uint64_t& value, size_t& length) {
        if (p >= size || data[p] == 0) {
            return false;
        }
        length = 1;
        while ((data[p] & (0x80u >> (length - 1))) == 0) {
            ++length;
        }
        if (length > maxLength || length > size - p) {
            return false;
        }
        value = data[p];
        for (size_t i = 1; i < length; ++i) {
            value = (value << 8) | data[p + i];
        }
        p += length;
        return true;
    };
    Header header;
    header.start = at;
    size_t p = at;
    uint64_t id = 0;
    uint64_t sizeField = 0;
    size_t idLength = 0;
    size_t sizeLength = 0;
    if (!vint(p, 4, id, idLength) || !vint(p, 8, sizeField, sizeLength)) {
        return std::nullopt;
    }
    header.id = static_cast<uint32_t>(id);
    header.data = p;
    const uint64_t value = sizeField & ((uint64_t{1} << (7 * sizeLength)) - 1);
    if (value != (uint64_t{1} << (7 * sizeLength)) - 1) {
        header.end = p + value;
    }
    return header;
}

// Independent of the walk: reads every Cluster ID in the input as a demuxer
// reads a cluster and tells whether a frame of one lies outside the signed
// bytes of every proven cluster; none when that would cost too much to tell.
std::optional<bool> frameOutsideProof(const uint8_t* data, size_t size,
                                      const std::vector<ClusterEntry>& clusters) {
    const auto inside = [&](uint64_t begin, uint64_t end) {
        for (const ClusterEntry& c : clusters) {
            if (c.proven && static_cast<int64_t>(begin) >= c.signedStart &&
                end <= static_cast<uint64_t>(c.signedEnd)) {
                return true;
            }
        }
        return false;
    };
    const auto upper = [](uint32_t id) {
        for (const uint32_t level :
             {0x1F43B675u, 0x18538067u, 0x1A45DFA3u, 0x114D9B74u, 0x1549A966u, 0x1654AE6Bu,
              0x1C53BB6Bu, 0x1254C367u, 0x1043A770u, 0x1941A469u}) {
            if (id == level) {
                return true;
            }
        }
        return false;
    };
    size_t steps = 4 * size + 4096;
    for (size_t at = 0; at + 4 <= size; ++at) {
        if (data[at] != 0x1F || data[at + 1] != 0x43 || data[at + 2] != 0xB6 ||
            data[at + 3] != 0x75) {
            continue;
        }
        const std::optional<Header> cluster = headerAt(data, size, at);
        if (!cluster) {
            continue;
        }
        const uint64_t end = std::min<uint64_t>(cluster->end.value_or(size), size);
        for (uint64_t p = cluster->data; p < end;) {
            if (steps-- == 0) {
                return std::nullopt;
            }
            const std::optional<Header> child = headerAt(data, size, static_cast<size_t>(p));
            if (!child || (!cluster->end && upper(child->id)) ||
                (cluster->end && (!child->end || *child->end > *cluster->end))) {
                break;
            }
            if ((child->id == 0xA3 || child->id == 0xA0) &&
                (!child->end || !inside(child->start, *child->end))) {
                return true;
            }
            p = child->end.value_or(child->data);
        }
    }
    return false;
}

bool passed(const Outcome& outcome) {
    return !outcome.threw && outcome.result == VerifyWalkResult::Ok;
}

// The reports on any evidence: valid JSON, and HTML that is valid UTF-8 in
// which no text from the file became markup or a control byte.
void checkReports(const RecordingEvidence& evidence) {
    const ReportContext run;
    FUZZ_CHECK(nlohmann::json::accept(dumpJson(jsonFileObject(evidence, run, true))));
    const std::string html = htmlReport({evidence}, run);
    FUZZ_CHECK(validUtf8(html) == html);
    FUZZ_CHECK(html.find("<script") == std::string::npos);
    for (const char c : html) {
        const auto byte = static_cast<unsigned char>(c);
        FUZZ_CHECK(byte >= 0x20 || c == '\n' || c == '\t');
        FUZZ_CHECK(byte != 0x7F);
    }
}

// The evidence: the same verdict as the walk, and a failure always says
// what was found.
void checkEvidence(const uint8_t* data, size_t size, const Outcome& clean) {
    ExamineOptions options;
    options.keepClusters = true;
    const RecordingEvidence evidence = examineSource(
        std::make_unique<nvr::MkvMemoryReader>(std::vector<uint8_t>(data, data + size)), options);
    const VerdictCode code =
        clean.threw || !clean.result ? VerdictCode::Error : verdictOf(*clean.result);
    FUZZ_CHECK(evidence.verdict.code == code);
    FUZZ_CHECK((code == VerdictCode::Success) == evidence.findings.empty());
    int64_t previous = 0;
    for (const ClusterRun& run : evidence.runs) {
        FUZZ_CHECK(run.firstCluster > previous);
        FUZZ_CHECK(run.lastCluster == 0 || run.lastCluster >= run.firstCluster);
        previous = run.lastCluster;
    }
    FUZZ_CHECK(static_cast<int64_t>(evidence.clusters.size()) <= evidence.clusterCount);
    // No Success with a frame or a tag field outside the signed bytes, and
    // nothing proven without the tag's signed final value to root it.
    FUZZ_CHECK(code != VerdictCode::Success || evidence.tag.unsignedField.empty());
    for (const ClusterEntry& entry : evidence.clusters) {
        FUZZ_CHECK(code != VerdictCode::Success || !entry.unsignedFrames);
        FUZZ_CHECK(!entry.proven || (evidence.proofKey != ProofKey::None && !entry.unsignedFrames));
        // In its sealed order only where its own link failed and a key further back held.
        FUZZ_CHECK(!entry.inSealedOrder || (entry.status == ClusterStatus::Mismatch &&
                                            entry.keyedBy.outcome == KeyTrial::Outcome::Holds));
    }
    FUZZ_CHECK(!evidence.originProven ||
               (code == VerdictCode::Success && evidence.proofKey == ProofKey::Rsa));
    // What plays is what is proven.
    if (code == VerdictCode::Success) {
        FUZZ_CHECK(static_cast<int64_t>(evidence.clusters.size()) == evidence.clusterCount);
        FUZZ_CHECK(frameOutsideProof(data, size, evidence.clusters) != std::optional<bool>(true));
    }
    checkReports(evidence);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Outcome clean = verify(data, size, -1, {});
    FUZZ_CHECK(verify(data, size, -1, {}, Walk::Parallel) == clean);
    checkEvidence(data, size, clean);

    const uint64_t hash = fuzz::hashOf(data, size);
    const auto fullSize = static_cast<int64_t>(size);

    // Cut at a point chosen by the input, after the parser has seen the
    // full size; the cut may come before the first read or part-way.
    nvr::ReadFailureSchedule cut;
    cut.shrinkAtRead = static_cast<int64_t>(hash % 256);
    cut.shrinkTo = size == 0 ? 0 : static_cast<int64_t>((hash >> 8) % size);
    const Outcome shrunk = verify(data, size, fullSize, cut);
    if (passed(shrunk)) {
        FUZZ_CHECK(passed(clean) && shrunk.serial == clean.serial);
    }

    // A run of failing bulk reads (signature values and signed data).
    const int64_t first = static_cast<int64_t>((hash >> 24) % 8);
    const int64_t count = 1 + static_cast<int64_t>((hash >> 32) % 7);
    const Outcome faulty =
        verify(data, size, fullSize, nvr::ReadFailureSchedule::failing(first, count, 17));
    if (passed(faulty)) {
        FUZZ_CHECK(passed(clean) && faulty.serial == clean.serial);
    }
    return 0;
}
