#include "signature/RecordingVerifier.h"

#include <exception>
#include <memory>
#include <vector>

#include "container/MkvParser.h"

namespace {

std::string textOf(const nvr::ByteBuffer& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

RecordingVerdict failed(const char* text) {
    RecordingVerdict verdict;
    verdict.code = RECORDING_ERROR;
    verdict.errorText = (text != nullptr && *text != '\0') ? text : "unknown error";
    return verdict;
}

// Parsers opened on the same file for the extra threads; none when the file
// cannot be opened again, and the walk then runs on one thread.
std::vector<std::unique_ptr<nvr::MkvParser>> helpersFor(const std::string& path, int threads,
                                                        const std::atomic<bool>* cancel) {
    std::vector<std::unique_ptr<nvr::MkvParser>> helpers;
    try {
        for (int t = 1; t < threads; ++t) {
            helpers.push_back(std::make_unique<nvr::MkvParser>(path.c_str()));
            helpers.back()->setCancelFlag(cancel);
        }
    } catch (const nvr::MkvException&) {
        helpers.clear();
    }
    return helpers;
}

}  // namespace

RecordingVerdict verifyRecording(const std::string& path, ProgressCallback progress, void* context,
                                 const std::atomic<bool>* cancel, int threads) {
    try {
        nvr::MkvParser parser(path.c_str());
        parser.setCancelFlag(cancel);
        parser.parse();
        RecordingVerdict verdict;
        const auto helpers = helpersFor(path, threads, cancel);
        verdict.code = helpers.empty()
                           ? parser.verifySignatures(progress, context)
                           : parser.verifySignaturesParallel(progress, context, helpers);
        verdict.detail = parser.verifyDetail();
        if (verdict.code == VERIFY_OK) {
            const nvr::TNVRTag& tag = parser.tag();
            verdict.serialNumber = textOf(tag.serialNumber);
            verdict.startTime = textOf(tag.startTime);
            verdict.endTime = textOf(tag.endTime);
        }
        return verdict;
    } catch (const nvr::MkvException& e) {
        return failed(e.what());
    } catch (const std::exception& e) {
        return failed(e.what());
    } catch (...) {
        return failed(nullptr);
    }
}
