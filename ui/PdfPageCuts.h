#pragma once

#include <vector>

class QTextDocument;

// One page's stretch of a document laid out as one long page, in the
// document's coordinates: [top, bottom).
struct PageCut {
    double top = 0;
    double bottom = 0;
};

// Where the pages of `document` (laid out to a width, with no page height)
// begin and end, each at most `pageHeight` long: between lines of text,
// never through a table row or a picture (unless one is taller than a
// page), and never just after a heading. A table cut between two rows
// shows half of the grid line between them on each page.
std::vector<PageCut> pageCuts(const QTextDocument& document, double pageHeight);
