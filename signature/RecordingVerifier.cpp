#include "signature/RecordingVerifier.h"

#include <exception>
#include <new>

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

}  // namespace

RecordingVerdict verifyRecording(const std::string& path, ProgressCallback progress, void* context,
                                 const std::atomic<bool>* cancel) {
    try {
        nvr::MkvParser parser(path.c_str());
        parser.setCancelFlag(cancel);
        parser.parse();
        RecordingVerdict verdict;
        verdict.code = parser.verifySignatures(progress, context);
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
    } catch (const std::bad_alloc&) {
        return failed("out of memory");
    } catch (const std::exception& e) {
        return failed(e.what());
    } catch (...) {
        return failed(nullptr);
    }
}
