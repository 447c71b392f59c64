// Where a report part laid out as one long page is cut into pages: never
// through a line or a table row, never between a heading and its text, and
// every stretch on exactly one page, a row taller than a page included; a
// page that continues a table repeats its title row and still fits.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "ui/PdfPageCuts.h"

namespace {

struct Span {
    double top;
    double bottom;
};

QTextTable* tableOf(const QTextDocument& document) {
    for (QTextFrame* const frame : document.rootFrame()->childFrames()) {
        if (auto* const table = qobject_cast<QTextTable*>(frame)) {
            return table;
        }
    }
    return nullptr;
}

// Each row's text, top of its first line to bottom of its last.
std::vector<Span> rowTexts(const QTextDocument& document) {
    const QAbstractTextDocumentLayout* const layout = document.documentLayout();
    const QTextTable* const table = tableOf(document);
    std::vector<Span> rows;
    for (int row = 0; table != nullptr && row < table->rows(); ++row) {
        Span span{1e18, -1e18};
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            span.top = std::min(
                span.top, layout->blockBoundingRect(cell.firstCursorPosition().block()).top());
            span.bottom = std::max(
                span.bottom, layout->blockBoundingRect(cell.lastCursorPosition().block()).bottom());
        }
        rows.push_back(span);
    }
    return rows;
}

}  // namespace

TEST(PdfPageCutsTest, CutsBetweenRowsAndRepeatsATableTitle) {
    QString html;
    for (int i = 0; i < 12; ++i) {
        html += QStringLiteral(
                    "<p>Paragraph %1 of some length, long enough to wrap once or twice at this "
                    "width.</p>")
                    .arg(i);
    }
    html += QStringLiteral(
        "<h3>Runs of clusters</h3><table border=\"0\" cellspacing=\"1\" cellpadding=\"4\" "
        "style=\"margin:4px 0 8px\">"
        "<thead><tr><th>Status</th><th>Clusters</th></tr></thead>");
    for (int row = 0; row < 30; ++row) {
        html += QStringLiteral("<tr><td>links hold,<br>not tied<br>to the tag</td><td>%1</td></tr>")
                    .arg(row);
    }
    // One row far taller than any page below.
    html += QStringLiteral("<tr><td>") + QStringLiteral("tall<br>").repeated(60) +
            QStringLiteral("</td><td>x</td></tr>");
    html += QStringLiteral("</table><p>After the table.</p>");
    // On no device, and on a printer's as the report is.
    for (const double dpi : {0.0, 300.0}) {
        SCOPED_TRACE(dpi);
        QTextDocument document;
        QBuffer nowhere;
        QPdfWriter writer(&nowhere);
        // Qt scales lengths from its screen's pixels to the device's.
        double unit = 1;
        if (dpi > 0) {
            writer.setResolution(static_cast<int>(dpi));
            document.documentLayout()->setPaintDevice(&writer);
            unit = dpi / QGuiApplication::primaryScreen()->logicalDotsPerInchY();
        }
        document.setHtml(html);
        document.setTextWidth(300 * unit);
        const double height = document.documentLayout()->documentSize().height();
        const std::vector<Span> rows = rowTexts(document);
        ASSERT_EQ(rows.size(), 32u);
        const QTextBlock heading = document.find(QStringLiteral("Runs of clusters")).block();
        ASSERT_GT(heading.blockFormat().headingLevel(), 0);
        const QRectF headingRect = document.documentLayout()->blockBoundingRect(heading);
        const double headingTop = headingRect.top();
        // The title row from the grid's top line, under the table's margin, to
        // the middle of the grid line under it.
        const double titleTop = headingRect.bottom() + 4 * unit;
        const double titleBottom = (rows[0].bottom + rows[1].top) / 2;

        size_t titled = 0;
        for (double page = 90 * unit; page < 400 * unit; page += 7 * unit) {
            const std::vector<PageCut> cuts = pageCuts(document, page);
            ASSERT_FALSE(cuts.empty());
            EXPECT_EQ(cuts.front().top, 0);
            EXPECT_EQ(cuts.back().bottom, height);
            for (size_t i = 0; i < cuts.size(); ++i) {
                EXPECT_GT(cuts[i].bottom, cuts[i].top) << page;
                EXPECT_LE(cuts[i].titleHeight() + cuts[i].bottom - cuts[i].top, page + 1e-6)
                    << page;
                if (i > 0) {
                    EXPECT_EQ(cuts[i].top, cuts[i - 1].bottom) << page;
                }
                // The title, where the page starts below it and above the
                // table's end, unless it takes over a quarter of the page.
                if (titleBottom <= cuts[i].top && cuts[i].top < rows.back().bottom &&
                    titleBottom - titleTop <= page / 4) {
                    EXPECT_NEAR(cuts[i].titleTop, titleTop, 0.5) << page;  // Qt rounds
                    EXPECT_EQ(cuts[i].titleBottom, titleBottom) << page;
                    ++titled;
                } else {
                    EXPECT_EQ(cuts[i].titleHeight(), 0) << page << " page " << i;
                }
            }
            for (size_t i = 0; i + 1 < cuts.size(); ++i) {
                const double cut = cuts[i].bottom;
                // Through no row that fits on a page (the last one does not).
                for (size_t row = 0; row + 1 < rows.size(); ++row) {
                    EXPECT_FALSE(rows[row].top < cut && cut < rows[row].bottom)
                        << "page " << page << " cut at " << cut << " through row " << row;
                }
                // Not between the heading, the title row and the first row,
                // where those fit well on a page.
                EXPECT_FALSE(headingTop < cut && cut < rows[1].top &&
                             rows[1].bottom - headingTop < page * 3 / 4)
                    << "page " << page;
            }
        }
        EXPECT_GT(titled, 44u);
    }
}
