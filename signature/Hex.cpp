#include "signature/Hex.h"

namespace {

std::string spelt(std::string_view bytes, const char* digits) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += digits[byte >> 4];
        out += digits[byte & 0x0F];
    }
    return out;
}

int digitValue(char c, HexDigits accepted) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (accepted == HexDigits::AnyCase && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string hexBytes(std::string_view bytes) {
    return spelt(bytes, "0123456789abcdef");
}

std::string upperHexBytes(std::string_view bytes) {
    return spelt(bytes, "0123456789ABCDEF");
}

std::optional<std::string> bytesOfHex(std::string_view hex, HexDigits accepted) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = digitValue(hex[i], accepted);
        const int low = digitValue(hex[i + 1], accepted);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}
