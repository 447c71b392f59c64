#include "ui/PdfPageCuts.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <algorithm>

namespace {

// A stretch no cut may go through: a line of text, or a table row from the
// middle of the grid line above it to the middle of the one below (a cut
// there leaves half of that line on each page, closing the table on one
// and opening it on the next).
struct Atom {
    double top = 0;
    double bottom = 0;
    bool heading = false;  // a heading's last line or a head row: stays with what follows
};

// A table's head rows, repeated above the rest of the table on a page that
// continues it: [top, bottom), the text of its last row ending at `end`
// (a page that starts below shows no more of the table than its grid).
struct Title {
    double top = 0;
    double bottom = 0;
    double end = 0;
};

class Atoms {
  public:
    explicit Atoms(const QTextDocument& document, double page)
        : layout(*document.documentLayout()), pageHeight(page) {
        frame(*document.rootFrame());
        std::sort(atoms.begin(), atoms.end(),
                  [](const Atom& a, const Atom& b) { return a.top < b.top; });
    }

    std::vector<Atom> atoms;
    std::vector<Title> titles;  // in the document's order

  private:
    void frame(const QTextFrame& parent) {
        for (QTextFrame::iterator it = parent.begin(); !it.atEnd(); ++it) {
            if (QTextFrame* const child = it.currentFrame()) {
                if (auto* const table = qobject_cast<QTextTable*>(child)) {
                    rows(*table);
                } else {
                    frame(*child);
                }
            } else {
                lines(it.currentBlock());
            }
        }
    }

    void lines(const QTextBlock& block) {
        const QTextLayout* const text = block.layout();
        // An empty block shows nothing to cut through: the one Qt keeps
        // after a table even lies over the table's last row.
        if (text == nullptr || block.length() <= 1) {
            return;
        }
        const double base = layout.blockBoundingRect(block).top();
        const bool heading = block.blockFormat().headingLevel() > 0;
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            atoms.push_back({base + line.y(), base + line.y() + line.height(),
                             heading && i == text->lineCount() - 1});
        }
    }

    // The cells that begin in `row` (not those spanning into it).
    template <typename Visit>
    static void cellsOf(const QTextTable& table, int row, Visit visit) {
        for (int column = 0; column < table.columns(); ++column) {
            const QTextTableCell cell = table.cellAt(row, column);
            if (cell.isValid() && cell.row() == row && cell.column() == column) {
                visit(cell);
            }
        }
    }

    struct Span {
        double top = 0;
        double bottom = 0;
    };

    // The table's grid, outer lines included, without its margins, from
    // each row's text. Qt's frame rectangle of a table starts at its first
    // cell's text, below the cell's padding, the spacing and the table's
    // border and padding, all scaled to the device the layout measures on:
    // the gap between the first two rows' text shows by how much.
    Span gridOf(QTextTable& table, const std::vector<Span>& text) const {
        const QRectF frame = layout.frameBoundingRect(&table);
        const QTextTableFormat format = table.format();
        const auto padding = [&](int row, QTextFormat::Property side) {
            const QTextTableCellFormat cell = table.cellAt(row, 0).format().toTableCellFormat();
            return cell.hasProperty(side) ? cell.doubleProperty(side) : format.cellPadding();
        };
        double scale = 1;
        if (text.size() > 1) {
            const double between = padding(0, QTextFormat::TableCellBottomPadding) +
                                   format.cellSpacing() +
                                   padding(1, QTextFormat::TableCellTopPadding);
            if (between > 0) {
                scale = std::max((text[1].top - text[0].bottom) / between, 0.0);
            }
        }
        const double top =
            frame.top() - scale * (padding(0, QTextFormat::TableCellTopPadding) +
                                   format.cellSpacing() + format.border() + format.padding());
        return {top, top + frame.height() - scale * (format.topMargin() + format.bottomMargin())};
    }

    void rows(QTextTable& table) {
        if (table.rows() < 1) {
            return;
        }
        // Each row's text from its top to its bottom; the grid lies between.
        std::vector<Span> text(static_cast<size_t>(table.rows()));
        for (int row = 0; row < table.rows(); ++row) {
            Span& span = text[static_cast<size_t>(row)];
            bool any = false;
            cellsOf(table, row, [&](const QTextTableCell& cell) {
                const double top =
                    layout.blockBoundingRect(cell.firstCursorPosition().block()).top();
                const double bottom =
                    layout.blockBoundingRect(cell.lastCursorPosition().block()).bottom();
                span.top = any ? std::min(span.top, top) : top;
                span.bottom = any ? std::max(span.bottom, bottom) : bottom;
                any = true;
            });
            if (!any && row > 0) {
                span = text[static_cast<size_t>(row) - 1];
            }
        }
        // Where each row begins: the grid's top, the grid lines' middles,
        // the grid's bottom last.
        const Span grid = gridOf(table, text);
        std::vector<double> edges{grid.top};
        for (size_t row = 1; row < text.size(); ++row) {
            edges.push_back((text[row - 1].bottom + text[row].top) / 2);
        }
        edges.push_back(grid.bottom);
        const size_t head = std::min(
            static_cast<size_t>(std::max(table.format().headerRowCount(), 0)), text.size());
        // A body row must fit on a page below the repeated head rows; a head
        // taller than a quarter page is not repeated.
        double room = pageHeight;
        if (head > 0 && head < text.size() && edges[head] - edges[0] <= pageHeight / 4) {
            titles.push_back({edges[0], edges[head], text.back().bottom});
            room -= edges[head] - edges[0];
        }
        for (size_t row = 0; row < text.size(); ++row) {
            if (edges[row + 1] - edges[row] <= room) {
                atoms.push_back({edges[row], edges[row + 1], row < head});
                continue;
            }
            // Taller than a page: cut between its lines as a page must.
            cellsOf(table, static_cast<int>(row), [&](const QTextTableCell& cell) {
                const QTextBlock end = cell.lastCursorPosition().block().next();
                for (QTextBlock block = cell.firstCursorPosition().block();
                     block.isValid() && block != end; block = block.next()) {
                    lines(block);
                }
            });
        }
    }

    const QAbstractTextDocumentLayout& layout;
    const double pageHeight;
};

}  // namespace

std::vector<PageCut> pageCuts(const QTextDocument& document, double pageHeight) {
    const double height = document.documentLayout()->documentSize().height();
    std::vector<PageCut> cuts;
    if (!(pageHeight > 0)) {
        cuts.push_back({0, height});
        return cuts;
    }
    const Atoms found(document, pageHeight);
    const std::vector<Atom>& atoms = found.atoms;
    // Anything this close to a page's top counts as at its top: it cannot
    // go further up, so the page is cut through it.
    const double least = pageHeight / 8;
    auto title = found.titles.begin();
    PageCut page;
    while (page.top + pageHeight - page.titleHeight() < height) {
        const double top = page.top;
        const double limit = top + pageHeight - page.titleHeight();
        double cut = limit;
        for (const Atom& atom : atoms) {
            if (atom.top >= limit) {
                break;
            }
            if (atom.bottom > limit && atom.top > top + least && atom.top < cut) {
                cut = atom.top;
            }
        }
        // A heading goes over with what follows it.
        for (auto it = atoms.rbegin(); it != atoms.rend(); ++it) {
            if (it->bottom > cut + 0.5 || it->top < top + least) {
                continue;
            }
            if (!it->heading) {
                break;
            }
            cut = it->top;
        }
        page.bottom = cut;
        cuts.push_back(page);
        page = {cut, 0};
        // The next page repeats the head rows of a table it continues.
        while (title != found.titles.end() && title->end <= cut) {
            ++title;
        }
        if (title != found.titles.end() && title->bottom <= cut) {
            page.titleTop = title->top;
            page.titleBottom = title->bottom;
        }
    }
    page.bottom = height;
    cuts.push_back(page);
    return cuts;
}
