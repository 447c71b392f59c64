#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>

// Text taken from a file is data wherever it goes: these turn any bytes into
// text that cannot become markup or break the document around it.

// The bytes with every sequence that is not UTF-8 replaced by U+FFFD.
std::string validUtf8(const std::string& bytes);

// Element content in HTML (and SVG): & < > " ' become entities; control
// bytes other than tab and line feed, DEL, the C1 controls and the
// direction overrides become visible escapes (\x1B, \u202E); bytes that
// are not UTF-8 become U+FFFD.
std::string htmlText(const std::string& bytes);

// An attribute value between double quotes: as htmlText, and tab and line
// feed become character references, so they survive attribute normalising.
std::string htmlAttribute(const std::string& bytes);

// JSON text of `value` (indent < 0: one line); strings that are not UTF-8
// carry U+FFFD in place of the offending bytes, so the output is valid JSON.
std::string dumpJson(const nlohmann::json& value, int indent = -1);
