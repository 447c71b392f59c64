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
// HTML reports must hold whatever the file states.
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
    }
    FUZZ_CHECK(!evidence.originProven ||
               (code == VerdictCode::Success && evidence.proofKey == ProofKey::Rsa));
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
