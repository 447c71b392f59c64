#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

#include "report/Escape.h"
#include "signature/Hex.h"

TEST(Escape, DisplayFormAtItsBoundaries) {
    struct Case {
        std::string bytes;
        std::string shown;
    };
    const Case cases[] = {
        // Printable text, non-Latin and the last code point pass as they are.
        {"TLV-0001234 \xC3\xA9\xE6\x97\xA5", "TLV-0001234 \xC3\xA9\xE6\x97\xA5"},
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},  // U+10FFFF
        // C0 (tab and line feed too), DEL, C1; U+00A0 is printable.
        {std::string("a\x00\t\n\x1B[2J\x7F", 9),
         "a\\u{0000}\\u{0009}\\u{000A}\\u{001B}[2J\\u{007F}"},
        {"\xC2\x80\xC2\x9F|\xC2\xA0", "\\u{0080}\\u{009F}|\xC2\xA0"},
        // Every bidi control and zero-width character, and their neighbours.
        {"\xD8\x9C", "\\u{061C}"},
        {"\xE2\x80\x8A\xE2\x80\x8B\xE2\x80\x8C\xE2\x80\x8D\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\x90",
         "\xE2\x80\x8A\\u{200B}\\u{200C}\\u{200D}\\u{200E}\\u{200F}\xE2\x80\x90"},
        {"\xE2\x80\xA7\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAA\xE2\x80\xAE\xE2\x80\xAF",
         "\xE2\x80\xA7\\u{2028}\\u{2029}\\u{202A}\\u{202E}\xE2\x80\xAF"},
        {"\xE2\x81\x9F\xE2\x81\xA0\xE2\x81\xA4\xE2\x81\xA5\xE2\x81\xA6\xE2\x81\xAF\xE2\x81\xB0",
         "\xE2\x81\x9F\\u{2060}\\u{2064}\xE2\x81\xA5\\u{2066}\\u{206F}\xE2\x81\xB0"},
        {"\xEF\xBB\xBF", "\\u{FEFF}"},
        // Characters that draw nothing, and their neighbours.
        {"\xC2\xAC\xC2\xAD\xC2\xAE", "\xC2\xAC\\u{00AD}\xC2\xAE"},
        {"a\xEF\xB8\x80\xEF\xB8\x8F\xEF\xB8\x90", "a\\u{FE00}\\u{FE0F}\xEF\xB8\x90"},
        {"\xF3\xA0\x80\x81\xF3\xA0\x87\xAF\xF3\xA0\x87\xB0",
         "\\u{E0001}\\u{E01EF}\xF3\xA0\x87\xB0"},
        // The serial that reads TLV-0001234 through a right-to-left override.
        {"TLV-\xE2\x80\xAE"
         "4321000",
         "TLV-\\u{202E}4321000"},
        // Not UTF-8: each byte on its own, so different bytes stay apart.
        {"TLV\xFE", "TLV\\xFE"},
        {"TLV\xFF", "TLV\\xFF"},
        {"\x80\x9F", "\\x80\\x9F"},                    // raw C1 bytes
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},  // U+110000
        {"\xC0\xAF", "\\xC0\\xAF"},                    // overlong '/'
        {"\xE0\x80\xAF", "\\xE0\\x80\\xAF"},           // overlong, three bytes
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},           // surrogate
        {"x\xE2\x82", "x\\xE2\\x82"},                  // cut short
        {"\xE2<", "\\xE2<"},  // a broken sequence cannot swallow what follows
    };
    for (const Case& c : cases) {
        EXPECT_EQ(displayText(c.bytes), c.shown) << hexBytes(c.bytes);
        EXPECT_EQ(shownVerbatim(c.bytes), c.shown == c.bytes) << hexBytes(c.bytes);
        EXPECT_EQ(displayText(c.shown), c.shown) << "shown twice: " << hexBytes(c.bytes);
        EXPECT_EQ(validUtf8(c.shown), c.shown);
    }
}

namespace {

std::string utf8Of(uint32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

TEST(Escape, EveryEscapedRangeEndsWhereItsListSays) {
    // The list of Escape.h, written out on its own (ranges that touch as
    // one): the first and last of each are escaped, the neighbours not.
    const std::pair<uint32_t, uint32_t> escaped[] = {
        {0x0000, 0x001F}, {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x034F, 0x034F},
        {0x061C, 0x061C}, {0x180B, 0x180F},   {0x200B, 0x200F},   {0x2028, 0x202E},
        {0x2060, 0x2064}, {0x2066, 0x206F},   {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
        {0xFFF9, 0xFFFB}, {0x1D173, 0x1D17A}, {0xE0000, 0xE007F}, {0xE0100, 0xE01EF},
    };
    for (const auto& [first, last] : escaped) {
        for (const uint32_t c : {first, last}) {
            char shown[16];
            std::snprintf(shown, sizeof shown, "\\u{%04X}", static_cast<unsigned>(c));
            EXPECT_EQ(displayText(utf8Of(c)), shown) << std::hex << c;
        }
        if (first > 0) {
            EXPECT_EQ(displayText(utf8Of(first - 1)), utf8Of(first - 1)) << std::hex << first;
        }
        EXPECT_EQ(displayText(utf8Of(last + 1)), utf8Of(last + 1)) << std::hex << last;
    }
}

TEST(Escape, HtmlAndJsonAddTheirOwnEscapingOnTop) {
    EXPECT_EQ(htmlText("<script>alert('x')</script> & \"q\""),
              "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;");
    EXPECT_EQ(htmlText("\xE2\x80\xAE<b>\xFF"), "\\u{202E}&lt;b&gt;\\xFF");
    EXPECT_EQ(htmlAttribute("a\tb\"c"), "a\\u{0009}b&quot;c");

    // A member shown other than verbatim keeps its exact bytes beside it;
    // strings in arrays, which have no place for them, are shown.
    const nlohmann::json value = {{"path", "/cases/ok.mkv"},
                                  {"serialNumber", std::string("S\xFF\x1B\x00", 4)},
                                  {"tag", {{"serialNumber", "TLV-\xE2\x80\xAE"}}},
                                  {"statements", {"a\x1B"}}};
    const std::string text = dumpJson(value);
    const nlohmann::json parsed = nlohmann::json::parse(text);
    EXPECT_EQ(parsed["path"], "/cases/ok.mkv");
    EXPECT_FALSE(parsed.contains("pathBytes"));
    EXPECT_EQ(parsed["serialNumber"], "S\\xFF\\u{001B}\\u{0000}");
    EXPECT_EQ(parsed["serialNumberBytes"], "53ff1b00");
    EXPECT_EQ(parsed["tag"]["serialNumber"], "TLV-\\u{202E}");
    EXPECT_EQ(parsed["tag"]["serialNumberBytes"], "544c562de280ae");
    EXPECT_EQ(parsed["statements"][0], "a\\u{001B}");
    EXPECT_EQ(text.find('\x1B'), std::string::npos);
}
