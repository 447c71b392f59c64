#pragma once

#include <memory>

#include "container/MkvElement.h"
#include "container/MkvMemoryReader.h"
#include "support/EbmlWriter.h"

// Bytes in memory plus the record parsed from the element at an offset.
// The reader lives as long as the record that points to it.
template <typename Record>
struct ParsedElement {
    explicit ParsedElement(const ebml::Bytes& bytes, int64_t offset = 0)
        : reader(std::make_unique<nvr::MkvMemoryReader>(bytes)),
          record(nvr::MkvElement(reader.get(), offset)) {
        record.parse();
    }
    explicit ParsedElement(const ebml::Element& element) : ParsedElement(ebml::encode(element)) {}

    std::unique_ptr<nvr::MkvMemoryReader> reader;
    Record record;
};
