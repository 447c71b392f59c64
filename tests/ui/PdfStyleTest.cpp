// The PDF's style sheet restates the report's for Qt's rich text: every
// value it gives must still be the report's, so a colour or size changed
// there cannot silently stay behind in the PDF.
#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "report/HtmlReport.h"
#include "ui/PdfStyle.h"

namespace {

using Rules = std::map<std::string, std::set<std::string>>;

std::vector<std::string> split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, at);) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

// Selector to declarations; the print-only block and what follows are left out.
Rules rulesOf(std::string sheet) {
    sheet = sheet.substr(0, sheet.find("@media"));
    Rules rules;
    for (const std::string& rule : split(sheet, '}')) {
        const size_t open = rule.find('{');
        for (const std::string& selector : split(rule.substr(0, open), ',')) {
            for (std::string declaration : split(rule.substr(open + 1), ';')) {
                if (declaration.rfind("background:", 0) == 0) {
                    declaration = "background-color:" + declaration.substr(11);
                }
                rules[selector].insert(declaration);
            }
        }
    }
    return rules;
}

}  // namespace

TEST(PdfStyle, GivesOnlyTheReportsOwnValues) {
    const Rules report = rulesOf(htmlReportStyle());
    for (const auto& [selector, declarations] : rulesOf(pdfStyleSheet())) {
        // "span.mono" stands for the report's ".mono".
        const size_t dot = selector.find('.');
        const std::string own = dot == std::string::npos ? selector : selector.substr(dot);
        ASSERT_EQ(report.count(own), 1u) << selector;
        for (const std::string& declaration : declarations) {
            // The grid: white cells on the grey of the report's borders.
            if ((own == "th" || own == "td") && declaration == "background-color:#ffffff") {
                continue;
            }
            EXPECT_EQ(report.at(own).count(declaration), 1u) << selector << " " << declaration;
        }
    }
    const std::set<std::string>& body = report.at("body");
    EXPECT_EQ(body.count("color:" + pdfTextColour().name().toStdString()), 1u);
    std::string family = "font-family:" + pdfBodyFont().families().join(",").toStdString();
    for (std::string declaration : body) {
        declaration.erase(std::remove(declaration.begin(), declaration.end(), '\''), declaration.end());
        if (declaration.rfind("font-family:", 0) == 0) {
            EXPECT_EQ(declaration, family);
            family.clear();
        }
    }
    EXPECT_TRUE(family.empty()) << "the report's body names no font family";
}
