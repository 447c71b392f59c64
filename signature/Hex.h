#pragma once

#include <optional>
#include <string>
#include <string_view>

// Bytes as hexadecimal digits and back: hashes, keys and signatures, the
// exact bytes beside a text in the JSON, a case's paths. One codec for every
// layer above the reader.

// Two digits per byte, lower case ("0a1b"), as hashes and keys are written.
std::string hexBytes(std::string_view bytes);
// Two digits per byte, upper case ("0A1B"), as SQLite's hex() writes them.
std::string upperHexBytes(std::string_view bytes);

// Which digits a reader takes. A value kept lower-case in a case file is
// read strictly, so a copy of it spelt otherwise does not pass for it.
enum class HexDigits { LowerCase, AnyCase };

// The bytes `hex` spells, two digits each; none when its length is odd or a
// character is not a digit `accepted` allows.
std::optional<std::string> bytesOfHex(std::string_view hex, HexDigits accepted);
