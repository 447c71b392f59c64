#include "support/EbmlWriter.h"

#include <cstring>
#include <stdexcept>

namespace ebml {

namespace {

int naturalIdWidth(uint64_t id) {
    int width = 1;
    while (width < 8 && (id >> (8 * width)) != 0) {
        ++width;
    }
    return width;
}

void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

Element el(uint64_t id, Bytes payload) {
    Element e;
    e.id = id;
    e.payload = std::move(payload);
    return e;
}

Element el(uint64_t id, std::vector<Element> children) {
    Element e;
    e.id = id;
    e.children = std::move(children);
    return e;
}

Element uintEl(uint64_t id, uint64_t value, int width) {
    if (width == 0) {
        width = naturalIdWidth(value);
    }
    Bytes payload(static_cast<size_t>(width));
    for (int i = width - 1; i >= 0; --i) {
        payload[static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    return el(id, payload);
}

Element floatEl(uint64_t id, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return uintEl(id, bits, 8);
}

Element float32El(uint64_t id, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return uintEl(id, bits, 4);
}

Element strEl(uint64_t id, const std::string& text) {
    return el(id, bytesOf(text));
}

Element raw(Bytes bytes) {
    Element e;
    e.isRaw = true;
    e.payload = std::move(bytes);
    return e;
}

Element voidEl(uint64_t total) {
    if (total < 2) {
        throw std::invalid_argument("a Void element has at least 2 bytes");
    }
    // One ID byte; an 8-byte size once the payload no longer fits in 127.
    uint64_t payload = total - 2;
    int sizeWidth = 1;
    if (payload >= 127) {
        payload = total - 9;
        sizeWidth = 8;
    }
    return el(0xEC, Bytes(payload, 0)).withSizeWidth(sizeWidth);
}

Bytes encodeId(uint64_t id, int width) {
    if (width == 0) {
        width = naturalIdWidth(id);
    }
    Bytes out(static_cast<size_t>(width));
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = static_cast<uint8_t>(id & 0xFF);
        id >>= 8;
    }
    return out;
}

Bytes encodeSize(uint64_t size, int width) {
    if (width == 0) {
        width = 1;
        // All-ones values are reserved; stay one byte wider than them.
        while (width < 8 && size >= (uint64_t{1} << (7 * width)) - 1) {
            ++width;
        }
    }
    if (width < 1 || width > 8) {
        throw std::invalid_argument("size width must be 1 to 8");
    }
    Bytes out(static_cast<size_t>(width));
    uint64_t value = size;
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    out[0] |= static_cast<uint8_t>(0x80u >> (width - 1));
    return out;
}

Bytes encode(const Element& element) {
    if (element.isRaw) {
        return element.payload;
    }
    Bytes body = encode(element.children);
    append(body, element.payload);
    Bytes out = encodeId(element.id, element.idWidth);
    append(out, encodeSize(element.declared.value_or(body.size()), element.sizeWidth));
    append(out, body);
    return out;
}

Bytes encode(const std::vector<Element>& elements) {
    Bytes out;
    for (const Element& e : elements) {
        append(out, encode(e));
    }
    return out;
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Element ebmlHeader(const std::string& docType) {
    return el(0x1A45DFA3,
              {uintEl(0x4286, 1), uintEl(0x42F7, 1), uintEl(0x42F2, 4), uintEl(0x42F3, 8),
               strEl(0x4282, docType), uintEl(0x4287, 4), uintEl(0x4285, 2)});
}

}  // namespace ebml
