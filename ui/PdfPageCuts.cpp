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
    bool heading = false;  // the last line of a heading: stays with what follows
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
        if (text == nullptr) {
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

    void rows(QTextTable& table) {
        // Each row's text from its top to its bottom; the grid lies between.
        struct Span {
            double top = 0;
            double bottom = 0;
        };
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
        const QRectF whole = layout.frameBoundingRect(&table);
        for (size_t row = 0; row < text.size(); ++row) {
            const double top = row == 0 ? whole.top() : (text[row - 1].bottom + text[row].top) / 2;
            const double bottom = row + 1 == text.size()
                                      ? whole.bottom()
                                      : (text[row].bottom + text[row + 1].top) / 2;
            if (bottom - top <= pageHeight) {
                atoms.push_back({top, bottom, false});
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
    const std::vector<Atom> atoms = Atoms(document, pageHeight).atoms;
    // Anything this close to a page's top counts as at its top: it cannot
    // go further up, so the page is cut through it.
    const double least = pageHeight / 8;
    double top = 0;
    while (top + pageHeight < height) {
        const double limit = top + pageHeight;
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
        cuts.push_back({top, cut});
        top = cut;
    }
    cuts.push_back({top, height});
    return cuts;
}
