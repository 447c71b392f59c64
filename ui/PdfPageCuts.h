#pragma once

#include <vector>

class QTextDocument;

// One page's stretch of a document laid out as one long page, in the
// document's coordinates: [top, bottom). A page that continues a table
// shows the table's title row, [titleTop, titleBottom), above the stretch.
struct PageCut {
    double top = 0;
    double bottom = 0;
    double titleTop = 0;
    double titleBottom = 0;

    double titleHeight() const { return titleBottom - titleTop; }
};

// Where the pages of `document` (laid out to a width, with no page height)
// begin and end, each at most `pageHeight` long with the title row it
// repeats: between lines of text, never through a table row or a picture
// (unless one is taller than a page), and never just after a heading or a
// table's title row. A table cut between two rows shows half of the grid
// line between them on each page; the page after repeats the table's head
// rows (QTextTableFormat::headerRowCount), if any.
std::vector<PageCut> pageCuts(const QTextDocument& document, double pageHeight);
