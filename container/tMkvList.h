#pragma once

#include <vector>

#include "container/MkvElement.h"

namespace nvr {

// An element that holds parsed child records of one kind, by value, in the
// order they were appended. Without an override, parse() re-reads the header.
template <typename T>
struct tMkvList : MkvElement {
    std::vector<T> items;

    tMkvList() = default;
    explicit tMkvList(const MkvElement& header) { copyHeader(header); }

    // Two elements are the same element when their header offsets are equal.
    bool contains(const MkvElement& element) const {
        for (const T& item : items) {
            if (item.headerOffset == element.headerOffset) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace nvr
