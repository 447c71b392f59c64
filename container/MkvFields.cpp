#include "container/MkvFields.h"

namespace nvr {

MkvField textField(int32_t id, ByteBuffer& to) {
    return {id, [&to](const MkvElement& child) { to = readText(child); }};
}

MkvField binaryField(int32_t id, ByteBuffer& to, int64_t* at) {
    return {id, [&to, at](const MkvElement& child) {
                to = readBinary(child);
                if (at != nullptr) {
                    *at = child.headerOffset;
                }
            }};
}

void readFields(const MkvElement& parent, std::initializer_list<MkvField> fields) {
    walkChildren(parent, [&fields](const MkvElement& child) {
        for (const MkvField& field : fields) {
            if (field.id == child.id) {
                field.store(child);
                return;
            }
        }
    });
}

}  // namespace nvr
