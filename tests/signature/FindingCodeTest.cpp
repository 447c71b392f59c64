// Every finding code the program can write is documented, and the
// documentation names no code the program does not know.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "signature/FindingCode.h"

namespace {

// The codes in the table under "Finding codes." in docs/report-format.md.
std::set<std::string> documentedCodes() {
    std::ifstream in(TELVAR_TEST_DATA "/../../docs/report-format.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const size_t start = all.find("Finding codes.");
    const size_t end = all.find("\n### ", start);
    const std::string table = all.substr(start, end - start);
    std::set<std::string> codes;
    const std::regex row("\n\\| `([a-z-]+)` \\|");
    for (auto it = std::sregex_iterator(table.begin(), table.end(), row);
         it != std::sregex_iterator(); ++it) {
        codes.insert((*it)[1]);
    }
    return codes;
}

}  // namespace

TEST(FindingCodes, MatchTheDocumentedTable) {
    const std::set<std::string> documented = documentedCodes();
    ASSERT_FALSE(documented.empty()) << "no table under \"Finding codes.\"";
    std::set<std::string> named;
    for (const FindingCodeName& entry : findingCodes()) {
        EXPECT_TRUE(named.insert(entry.name).second) << entry.name << " twice";
        EXPECT_STREQ(findingCodeName(entry.code), entry.name);
        EXPECT_EQ(documented.count(entry.name), 1u) << entry.name << " is not documented";
    }
    for (const std::string& code : documented) {
        EXPECT_EQ(named.count(code), 1u) << code << " is documented but not a code";
    }
    EXPECT_EQ(findingCodes().size(), static_cast<size_t>(FindingCode::FixityUnreadable) + 1)
        << "a code is missing from the table";
}
