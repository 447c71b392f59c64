#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>

#include "container/MkvPayload.h"

namespace nvr {

// One kind of child a record keeps: its ID and where its payload goes. A
// record lists its fields once instead of spelling out a switch, so every
// record reads its children the same way.
struct MkvField {
    using Store = std::function<void(const MkvElement& child)>;

    MkvField(int32_t childId, uint32_t& to)
        : id(childId), store([&to](const MkvElement& child) { to = readU32(child); }) {}
    MkvField(int32_t childId, int64_t& to)
        : id(childId), store([&to](const MkvElement& child) { to = readI64(child); }) {}
    MkvField(int32_t childId, bool& to)
        : id(childId), store([&to](const MkvElement& child) { to = readBool(child); }) {}
    MkvField(int32_t childId, double& to)
        : id(childId), store([&to](const MkvElement& child) { to = readDouble(child); }) {}
    // Any other way of keeping the child.
    MkvField(int32_t childId, Store how) : id(childId), store(std::move(how)) {}

    int32_t id;
    Store store;
};

// A text payload, kept with its terminating zero byte.
MkvField textField(int32_t id, ByteBuffer& to);
// A binary payload, and the offset of its header when `at` is given.
MkvField binaryField(int32_t id, ByteBuffer& to, int64_t* at = nullptr);

// Walks the children of `parent` in file order and stores each one that a
// field names; the others are passed over. A later child of the same ID
// replaces an earlier one.
void readFields(const MkvElement& parent, std::initializer_list<MkvField> fields);

}  // namespace nvr
