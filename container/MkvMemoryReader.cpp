#include "container/MkvMemoryReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace nvr {

MkvMemoryReader::MkvMemoryReader(std::vector<uint8_t> bytes_, int64_t declaredSize_)
    : MkvMemoryReader(std::move(bytes_), declaredSize_, ReadFailureSchedule{}) {}

MkvMemoryReader::MkvMemoryReader(std::vector<uint8_t> bytes_, int64_t declaredSize_,
                                 ReadFailureSchedule schedule_)
    : bytes(std::move(bytes_)),
      declaredSize(declaredSize_ >= 0 ? declaredSize_ : static_cast<int64_t>(bytes.size())),
      schedule(std::move(schedule_)),
      matched(schedule.faults.size(), 0) {}

void MkvMemoryReader::setSchedule(ReadFailureSchedule schedule_) {
    schedule = std::move(schedule_);
    matched.assign(schedule.faults.size(), 0);
    numbered = 0;
    failed = 0;
    lastFailed.reset();
}

ReaderStatus MkvMemoryReader::scheduledStatus(int64_t offset) {
    ReaderStatus status = ReaderStatus::Ok;
    for (size_t i = 0; i < schedule.faults.size(); ++i) {
        const ReadFault& fault = schedule.faults[i];
        if (fault.atOffset && *fault.atOffset != offset) {
            continue;
        }
        const int64_t index = matched[i]++;
        if (status == ReaderStatus::Ok && index >= fault.firstRead &&
            index - fault.firstRead < fault.count) {
            status = fault.status;
        }
    }
    return status;
}

int32_t MkvMemoryReader::read(int64_t offset, int32_t length, uint8_t* buffer) {
    if (offset < 0 || length < 0) {
        return refused(ReaderStatus::InvalidArgument);
    }
    if (length == 0) {
        return 0;
    }
    if (buffer == nullptr) {
        return refused(ReaderStatus::InvalidArgument);
    }
    if (offset >= declaredSize) {
        return refused(ReaderStatus::PastEnd);
    }
    ReaderStatus status = ReaderStatus::Ok;
    if (length >= schedule.minLength) {
        ++numbered;
        status = scheduledStatus(offset);
    }
    // Once cut, the file stays cut for every later read, numbered or not;
    // what runs past the cut is a short read, as a real file gives.
    auto held = static_cast<int64_t>(bytes.size());
    if (schedule.shrinkAtRead && numbered > *schedule.shrinkAtRead) {
        held = std::min(held, std::max<int64_t>(schedule.shrinkTo, 0));
        if (status == ReaderStatus::Ok && (offset >= held || length > held - offset)) {
            status = ReaderStatus::IoFailed;
        }
    }
    if (status != ReaderStatus::Ok) {
        ++failed;
        lastFailed = offset;
        return refused(status);
    }
    if (offset >= held || length > held - offset) {
        return refused(ReaderStatus::IoFailed);
    }
    std::memcpy(buffer, bytes.data() + offset, static_cast<size_t>(length));
    return length;
}

}  // namespace nvr
