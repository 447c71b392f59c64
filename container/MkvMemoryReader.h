#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "container/iReader.h"

namespace nvr {

// A stretch of reads that fail: of the reads it matches, numbered from 0 in
// the order they are made, those from `firstRead` on, `count` of them.
struct ReadFault {
    int64_t firstRead = 0;
    int64_t count = 1;
    std::optional<int64_t> atOffset;  // matches only reads starting here; none: any read
    ReaderStatus status = ReaderStatus::IoFailed;
};

// How a memory source breaks while it is read, so callers can be tested
// against a disk or share that fails part-way.
struct ReadFailureSchedule {
    std::vector<ReadFault> faults;
    // Reads shorter than this are neither numbered nor failed: 17 leaves
    // element headers and integers alone and hits only bulk data.
    int32_t minLength = 1;
    // From this numbered read on, only the first `shrinkTo` bytes are still
    // held: the file was cut while it was read. size() keeps the size taken
    // at the start, as a reader over a real file does. None: never.
    std::optional<int64_t> shrinkAtRead;
    int64_t shrinkTo = 0;

    // Reads `first` .. `first + count - 1` fail.
    static ReadFailureSchedule failing(int64_t first, int64_t count, int32_t minLength = 1) {
        ReadFailureSchedule schedule;
        schedule.faults.push_back({first, count, std::nullopt, ReaderStatus::IoFailed});
        schedule.minLength = minLength;
        return schedule;
    }
    // The first `count` reads starting at `offset` fail. Each fault counts
    // its reads on its own: two at one offset overlap, they do not add up.
    ReadFailureSchedule& failAt(int64_t offset, int64_t count) {
        faults.push_back({0, count, offset, ReaderStatus::IoFailed});
        return *this;
    }
    // From read `atRead` on, only `size` bytes are left.
    static ReadFailureSchedule shrinking(int64_t atRead, int64_t size, int32_t minLength = 1) {
        ReadFailureSchedule schedule;
        schedule.minLength = minLength;
        schedule.shrinkAtRead = atRead;
        schedule.shrinkTo = size;
        return schedule;
    }
};

// A byte source over a buffer in memory, for tests and fuzzing. It may claim
// to be larger than its buffer (to exercise offsets past what is held):
// reads beyond the buffer then fail as I/O errors. An optional schedule
// makes chosen reads fail.
class MkvMemoryReader : public iReader {
  public:
    explicit MkvMemoryReader(std::vector<uint8_t> bytes, int64_t declaredSize = -1);
    MkvMemoryReader(std::vector<uint8_t> bytes, int64_t declaredSize, ReadFailureSchedule schedule);

    int32_t read(int64_t offset, int32_t length, uint8_t* buffer) override;
    int64_t size() override { return declaredSize; }

    // Replaces the schedule and starts numbering reads from 0 again.
    void setSchedule(ReadFailureSchedule schedule);
    // Reads numbered so far, and how many reads the schedule failed.
    int64_t readsNumbered() const { return numbered; }
    int64_t readsFailed() const { return failed; }
    // Offset of the last read the schedule failed, when one did.
    std::optional<int64_t> lastFailedOffset() const { return lastFailed; }

  private:
    // The status the faults give the read at `offset`, or Ok.
    ReaderStatus scheduledStatus(int64_t offset);

    std::vector<uint8_t> bytes;
    int64_t declaredSize;
    ReadFailureSchedule schedule;
    std::vector<int64_t> matched;  // per fault: reads it matched so far
    int64_t numbered = 0;
    int64_t failed = 0;
    std::optional<int64_t> lastFailed;
};

}  // namespace nvr
