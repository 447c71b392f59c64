#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

// Text taken from a file (or a path, or a name the user typed) is data
// wherever it goes. Every output shows it in one display form, and adds
// its own escaping on top of that: the terminal lines as they are, HTML
// with entities, JSON with its string escapes, CSV with quoting, the window
// as a QString of the display form.

// The display form: well-formed UTF-8 passes, except the characters that
// would drive a terminal, break, hide or reorder the text around them, or
// draw nothing, which become \u{XXXX}: C0 controls (tab and line feed too),
// DEL, C1 controls, the bidirectional marks, embeddings, overrides and
// isolates (U+061C, U+200E, U+200F, U+202A-U+202E, U+2066-U+2069), the
// line and paragraph separators (U+2028, U+2029) and the characters that
// draw nothing (U+00AD, U+034F, U+180B-U+180F, U+200B-U+200D,
// U+2060-U+2064, U+206A-U+206F, U+FE00-U+FE0F, U+FEFF, U+FFF9-U+FFFB,
// U+1D173-U+1D17A, U+E0000-U+E007F, U+E0100-U+E01EF). Every byte that is not part of a
// well-formed sequence (overlong forms, surrogates, values past U+10FFFF,
// cut-short sequences, stray continuation bytes) becomes \xNN on its own,
// so different bytes always show differently. The result is printable,
// valid UTF-8, and showing it again changes nothing.
std::string displayText(std::string_view bytes);

// Whether displayText(bytes) is `bytes` itself.
bool shownVerbatim(std::string_view bytes);

// The bytes with every sequence that is not UTF-8 replaced by U+FFFD.
std::string validUtf8(const std::string& bytes);
// Whether validUtf8(bytes) is `bytes` itself.
bool wellFormedUtf8(std::string_view bytes);

// Appends well-formed UTF-8 `text` as a JSON string, escaped byte for byte
// as nlohmann's dump escapes it (without ensure_ascii): \" \\ \b \f \n \r
// \t, other C0 controls as \u00xx, everything else as it is.
void appendJsonString(std::string& out, std::string_view text);

// Element content in HTML (and SVG): the display form, with & < > " '
// as entities.
std::string htmlText(const std::string& bytes);

// An attribute value between double quotes: as htmlText (which leaves no
// tab or line feed to be normalised away).
std::string htmlAttribute(const std::string& bytes);

// JSON text of `value` (indent < 0: one line). Every string is in the
// display form; a string member `k` that is not shown verbatim gets a
// sibling `kBytes` with the exact bytes in hex, so nothing is lost and a
// member without that sibling is exactly the original text.
std::string dumpJson(nlohmann::json value, int indent = -1);
