#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "report/Escape.h"

TEST(Escape, HtmlTextIsNeverMarkup) {
    EXPECT_EQ(htmlText("<script>alert('x')</script> & \"q\""),
              "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;");
    // Control bytes, DEL, C1 controls and direction overrides become visible.
    EXPECT_EQ(htmlText(std::string("a\x1b[2J\x00\x7f"
                                   "b\tc\n",
                                   11)),
              "a\\x1B[2J\\x00\\x7Fb\tc\n");
    EXPECT_EQ(htmlText("\xC2\x85|\xE2\x80\xAE"
                       "cba"),
              "\\u0085|\\u202Ecba");
    // Valid UTF-8 passes; anything else becomes U+FFFD, byte by byte.
    EXPECT_EQ(htmlText("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(htmlText("\xFF"), fffd);
    EXPECT_EQ(htmlText("\xC0\xAF"), fffd + fffd);             // overlong '/'
    EXPECT_EQ(htmlText("\xED\xA0\x80"), fffd + fffd + fffd);  // surrogate
    EXPECT_EQ(htmlText("x\xE2\x82"), "x" + fffd + fffd);      // cut short
    EXPECT_EQ(htmlText("\xE2<"), fffd + "&lt;");  // a broken sequence cannot swallow markup
    EXPECT_EQ(htmlAttribute("a\tb\n\"c"), "a&#9;b&#10;&quot;c");
}

TEST(Escape, JsonIsAlwaysValid) {
    const nlohmann::json value = {{"serial", std::string("S\xFF\x1b\x7f<", 5)}};
    const std::string text = dumpJson(value);
    EXPECT_EQ(text, "{\"serial\":\"S\xEF\xBF\xBD\\u001b\x7f<\"}");
    EXPECT_TRUE(nlohmann::json::accept(text));
    EXPECT_EQ(validUtf8("ok\xC3"), "ok\xEF\xBF\xBD");
}
