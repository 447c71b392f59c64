#include "ui/PdfReport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <memory>

#include "report/HtmlReport.h"
#include "ui/PdfFigures.h"
#include "ui/PdfPictureCache.h"
#include "ui/PdfPartQueue.h"

namespace {

// Laid out a little larger than the page and shrunk onto it, so a SHA-256
// fits on one line beside its label on either paper.
constexpr double kScale = 0.8;
// Summary rows laid out at first for a page: more than a page holds.
constexpr size_t kSummaryRows = 40;

QString tr(const char* text) {
    return QCoreApplication::translate("ReportExport", text);
}

// The writer's pages, painted one after another from laid-out documents,
// each numbered at its foot.
class PageFlow {
  public:
    explicit PageFlow(QPdfWriter& pdf)
        : writer(pdf),
          area(pdf.pageLayout().paintRectPixels(pdf.resolution())),
          footer(pdf.resolution() / 4) {}

    bool begin() { return painter.begin(&writer); }
    bool end() { return painter.end(); }

    // A page's room for a document, in the document's units.
    QSizeF pageSize() const { return QSizeF(area.width(), area.height() - footer) / kScale; }

    // Pages [first, last) of `document`, each on a page of its own, none
    // below `end` (document coordinates) when it is given. `closing`: the
    // last of them ends the report and says so at its foot, so a report
    // cut short shows (the total is not known while pages are written).
    bool paint(QTextDocument& document, int first, int last, double end = -1,
               bool closing = false) {
        const double height = document.pageSize().height();
        for (int i = first; i < last; ++i) {
            if (pages > 0 && !writer.newPage()) {
                return false;
            }
            ++pages;
            QRectF page(QPointF(0, i * height), document.pageSize());
            if (end >= 0 && end < page.bottom()) {
                page.setBottom(std::max(page.top(), end));
            }
            painter.save();
            painter.scale(kScale, kScale);
            painter.translate(0, -i * height);
            document.drawContents(&painter, page);
            painter.restore();
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
            painter.drawText(QRect(0, area.height() - footer, area.width(), footer),
                             Qt::AlignRight | Qt::AlignBottom,
                             closing && i == last - 1 ? tr("%1 (last page)").arg(pages)
                                                      : QString::number(pages));
        }
        return true;
    }

  private:
    QPdfWriter& writer;
    QPainter painter;
    const QRect area;
    const int footer;
    int pages = 0;
};

// A part of the report laid out on pages of `flow`'s size, measured on the
// writer so the text is set as it will be printed.
class Part {
  public:
    Part(QPdfWriter& metrics, const PageFlow& flow) {
        text.documentLayout()->setPaintDevice(&metrics);
        text.setPageSize(flow.pageSize());
        text.setDocumentMargin(0);
    }

    // The section's images drawn by `objects`, which must outlive the part.
    void drawImagesWith(QObject& objects) {
        text.documentLayout()->registerHandler(QTextFormat::ImageObject, &objects);
    }

    void addImage(const QString& name, const QImage& image) {
        text.addResource(QTextDocument::ImageResource, QUrl(name), image);
    }

    QTextDocument& document() { return text; }

    QTextDocument& layOut(const std::string& body) {
        text.setHtml(QString::fromStdString(pagedHtml(body)));
        return text;
    }

  private:
    // The report's HTML with its tables' borders drawn by their cells alone.
    // Qt's layout looks collapsed borders up again and again, in layout and
    // in painting, which took a third of the PDF's time; each cell's own
    // border, without the table's around them, draws the same grid.
    static std::string pagedHtml(const std::string& body) {
        static const std::string style = [] {
            std::string sheet = htmlReportStyle();
            const std::string collapse = "border-collapse:collapse;";
            const size_t at = sheet.find(collapse);
            if (at != std::string::npos) {
                sheet.erase(at, collapse.size());
            }
            return sheet;
        }();
        static const std::string bordered = htmlTableOpen();
        static const std::string cellsOnly = [] {
            std::string open = bordered;
            const std::string border = "border=\"1\"";
            const size_t at = open.find(border);
            if (at != std::string::npos) {
                open.replace(at, border.size(), "border=\"0\"");
            }
            return open;
        }();
        std::string html = "<html><head><style>" + style + "</style></head><body>";
        html.reserve(html.size() + body.size() + 16);
        // Text from a file is escaped, so the tag is found only where the
        // report opened a table.
        size_t from = 0;
        for (size_t at = body.find(bordered); at != std::string::npos;
             at = body.find(bordered, from)) {
            html.append(body, from, at - from);
            html += cellsOnly;
            from = at + bordered.size();
        }
        html.append(body, from, std::string::npos);
        html += "</body></html>";
        return html;
    }


  private:
    QTextDocument text;
};

// The first table of the document.
QTextTable* tableOf(const QTextDocument& document) {
    for (QTextFrame* const frame : document.rootFrame()->childFrames()) {
        if (auto* const table = qobject_cast<QTextTable*>(frame)) {
            return table;
        }
    }
    return nullptr;
}

// Where the summary rows that reach onto a page begin.
struct RowsOnPage {
    size_t first = 0;  // of the rows under the title row; all of them when none reaches
    double top = -1;   // the top of that row, in document coordinates
};

// The first of `rows` summary rows that reaches onto `page`, whole or in
// part: a row the layout split across the page's top is laid out again
// whole, so nothing of it is painted above (see paint's `end`).
RowsOnPage rowsOn(const QTextDocument& document, int page, size_t rows) {
    const QTextTable* const table = tableOf(document);
    if (table == nullptr) {
        return {rows, -1};
    }
    const QAbstractTextDocumentLayout* const layout = document.documentLayout();
    const double pageTop = page * document.pageSize().height();
    const size_t listed = std::min(rows, static_cast<size_t>(std::max(table->rows() - 1, 0)));
    double previousBottom = pageTop;  // the title row's, for the first row
    for (size_t k = 0; k < listed; ++k) {
        const int row = static_cast<int>(k) + 1;
        double bottom = 0;
        for (int column = 0; column < table->columns(); ++column) {
            const QTextBlock last = table->cellAt(row, column).lastCursorPosition().block();
            bottom = std::max(bottom, layout->blockBoundingRect(last).bottom());
        }
        if (bottom > pageTop) {
            // The page ends under the row before: its text, padding and border.
            const QTextTableCell cell = table->cellAt(row, 0);
            const double padding = std::max(cell.format().toTableCellFormat().bottomPadding(),
                                            table->format().cellPadding()) +
                                   table->format().border();
            return {k, previousBottom + padding};
        }
        previousBottom = bottom;
    }
    return {rows, -1};
}

// Each decoded picture as the image its <img src="picture:N:K"> names.
void addPictures(Part& part, const std::vector<ReportPicture>& strip, size_t index,
                 PdfPictureCache& decoded) {
    for (size_t k = 0; k < strip.size(); ++k) {
        const QImage image = decoded.decode(strip[k].png);
        if (!image.isNull()) {
            part.addImage(QStringLiteral("picture:%1:%2").arg(index).arg(k), image);
        }
    }
}

// A laid-out part and which of its pages to print.
struct Pages {
    std::unique_ptr<ImageObjects> images;  // drawn by the part; goes after it
    std::unique_ptr<Part> part;
    std::shared_ptr<const RecordingEvidence> evidence;  // what `images` draws from
    int first = 0;
    int last = 0;
    double end = -1;       // see PageFlow::paint
    bool closing = false;  // the report's last part
};

// Lays out the report's parts, in order, onto `queue`.
class Layout {
  public:
    Layout(const ReportFiles& reported, const ReportContext& context,
           const std::vector<std::vector<std::string>>& custodyLines, QPdfWriter& measure,
           const PageFlow& pageFlow, PartQueue<Pages>& parts, const std::function<bool()>& goOn)
        : files(reported),
          run(context),
          custody(custodyLines),
          metrics(measure),
          flow(pageFlow),
          queue(parts),
          keepGoing(goOn) {}

    bool all() {
        if (!summary()) {
            return false;
        }
        HtmlReportOptions options;
        options.inlineSvg = false;       // the timelines are drawn by ImageObjects
        options.inlinePictures = false;  // and the pictures come from the resources
        options.custody = custody;
        // The layout scales the pictures' CSS pixels to the writer's
        // resolution, as its own image handler would.
        const double imageScale = metrics.resolution() / 96.0;
        std::vector<RecordingEvidence> parts;
        parts.reserve(files.count);
        for (size_t i = 0; i < files.count; ++i) {
            if (!keepGoing()) {
                return false;
            }
            auto pages = std::make_unique<Pages>();
            pages->evidence = files.evidence(i);
            std::shared_ptr<const std::vector<ReportPicture>> pictures;
            if (files.pictures) {
                pictures = files.pictures(i);
            }
            pages->images =
                std::make_unique<ImageObjects>(pages->evidence.get(), pictures, imageScale);
            pages->part = std::make_unique<Part>(metrics, flow);
            pages->part->drawImagesWith(*pages->images);
            if (pictures != nullptr) {
                addPictures(*pages->part, *pictures, i, decoded);
            }
            pages->last =
                pages->part->layOut(htmlFileSection(*pages->evidence, i, pictures.get(), options))
                    .pageCount();
            parts.push_back(continuityPart(*pages->evidence));
            if (!send(std::move(pages))) {
                return false;
            }
        }
        if (!keepGoing()) {
            return false;
        }
        auto closing = std::make_unique<Pages>();
        closing->part = std::make_unique<Part>(metrics, flow);
        closing->last = closing->part->layOut(htmlReportClosing(parts, run)).pageCount();
        closing->closing = true;
        return send(std::move(closing));
    }

  private:
    bool send(std::unique_ptr<Pages> pages) { return queue.push(std::move(pages)); }

    // The title and the summary table, a page at a time: the rows that
    // come after the first page's (a row the layout split included) start
    // the next page's layout, so no row is split across pages. Each layout
    // takes a few more rows than the last page held.
    bool summary() {
        size_t first = 0;
        size_t take = kSummaryRows;
        do {
            if (!keepGoing()) {
                return false;
            }
            const size_t end = std::min(files.count, first + take);
            std::string body;
            if (first == 0) {
                body = htmlReportHeading(files.count, run) + "<h2>Summary</h2>";
            }
            // Its title row repeats at the top of every page.
            body += std::string(htmlTableOpen()) + "<thead>" + htmlSummaryTitles() + "</thead>";
            for (size_t i = first; i < end; ++i) {
                body += htmlSummaryRow(*files.evidence(i), i);
            }
            body += "</table>";
            if (end == files.count) {
                body += htmlSummaryNote();
            }
            auto pages = std::make_unique<Pages>();
            pages->part = std::make_unique<Part>(metrics, flow);
            const QTextDocument& document = pages->part->layOut(body);
            pages->last = document.pageCount();
            const RowsOnPage next =
                pages->last < 2 ? RowsOnPage{end - first, -1} : rowsOn(document, 1, end - first);
            if (next.first == 0 || next.first == end - first) {
                // All on the page, or a row taller than a page: as laid out.
                first = end;
            } else {
                pages->last = 1;
                pages->end = next.top;
                first += next.first;
                take = next.first + kSummaryRows / 4;
            }
            if (!send(std::move(pages))) {
                return false;
            }
        } while (first < files.count);
        return true;
    }

    const ReportFiles& files;
    const ReportContext& run;
    const std::vector<std::vector<std::string>>& custody;
    QPdfWriter& metrics;
    const PageFlow& flow;
    PartQueue<Pages>& queue;
    const std::function<bool()>& keepGoing;
    PdfPictureCache decoded;
};

void setUp(QPdfWriter& writer, PaperSize paper) {
    writer.setPageSize(QPageSize(paper == PaperSize::A4 ? QPageSize::A4 : QPageSize::Letter));
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    writer.setResolution(300);
}

}  // namespace

bool printPdfReport(const ReportFiles& files, const ReportContext& run, PaperSize paper,
                    QIODevice& device, const std::function<bool()>& keepGoing,
                    const std::vector<std::vector<std::string>>& custody) {
    QPdfWriter writer(&device);
    setUp(writer, paper);
    writer.setTitle(tr("Verification report"));
    writer.setCreator(QStringLiteral("telvar-authenticator"));
    // The layout measures on a writer of its own that never paints: the
    // same resolution and page, so its lines are the ones printed.
    QBuffer nowhere;
    QPdfWriter metrics(&nowhere);
    setUp(metrics, paper);
    PageFlow flow(writer);
    if (!flow.begin()) {
        return false;
    }
    PartQueue<Pages> queue;
    // A QThread, not a bare thread: the layout starts Qt timers of its own.
    const std::unique_ptr<QThread> layout(QThread::create(
        [&] { queue.end(Layout(files, run, custody, metrics, flow, queue, keepGoing).all()); }));
    layout->start();
    bool painted = true;
    while (Pages* const pages = queue.pop()) {
        if (!keepGoing() || !flow.paint(pages->part->document(), pages->first, pages->last,
                                        pages->end, pages->closing)) {
            painted = false;
            break;
        }
    }
    // The text was shaped on the layout thread, with its fonts: that thread
    // lives until the PDF has embedded them.
    const bool ended = flow.end();
    const bool whole = queue.finish(painted);
    layout->wait();
    return whole && ended;
}
