#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Builds EBML element trees into bytes so that each test can state its input
// in a few lines: any ID, explicit widths for the ID and the size, a declared
// size that differs from the real payload, and raw bytes anywhere.
namespace ebml {

using Bytes = std::vector<uint8_t>;

struct Element {
    uint64_t id = 0;                   // as encoded, marker bits included
    int idWidth = 0;                   // bytes of the ID; 0: its natural width
    int sizeWidth = 0;                 // bytes of the size; 0: the shortest that fits
    std::optional<uint64_t> declared;  // size written instead of the payload's
    bool isRaw = false;                // emit `payload` alone, no header
    Bytes payload;                     // leaf payload (after children, if both)
    std::vector<Element> children;

    Element& withSizeWidth(int width) {
        sizeWidth = width;
        return *this;
    }
    Element& withIdWidth(int width) {
        idWidth = width;
        return *this;
    }
    Element& withDeclaredSize(uint64_t size) {
        declared = size;
        return *this;
    }
};

Element el(uint64_t id, Bytes payload);
Element el(uint64_t id, std::vector<Element> children);
Element uintEl(uint64_t id, uint64_t value, int width = 0);
Element floatEl(uint64_t id, double value);
Element float32El(uint64_t id, float value);
Element strEl(uint64_t id, const std::string& text);
Element raw(Bytes bytes);
// A Void element (0xEC) of `total` bytes in all (at least 2).
Element voidEl(uint64_t total);

Bytes encodeId(uint64_t id, int width = 0);
// Size as a variable-length integer of `width` bytes (0: shortest).
Bytes encodeSize(uint64_t size, int width = 0);
Bytes encode(const Element& element);
Bytes encode(const std::vector<Element>& elements);
Bytes bytesOf(const std::string& text);

// A minimal Matroska start: EBML header with DocType "matroska".
Element ebmlHeader(const std::string& docType = "matroska");

}  // namespace ebml
