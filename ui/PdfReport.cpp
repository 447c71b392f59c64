#include "ui/PdfReport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextFrame>
#include <QTextTable>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "report/HtmlReport.h"
#include "ui/PdfFigures.h"
#include "ui/PdfPageCuts.h"
#include "ui/PdfPictureCache.h"
#include "ui/PdfStyle.h"
#include "ui/PdfPartQueue.h"

namespace {

// Laid out a little larger than the page and shrunk onto it, so a SHA-256
// fits on one line beside its label on either paper.
constexpr double kScale = 0.8;
// Summary rows laid out at first for a page: more than a page holds.
constexpr size_t kSummaryRows = 40;
// Rows laid out for a page beyond those the page before held: enough for
// rows a line shorter, few enough that little is laid out twice.
constexpr size_t kSummaryMargin = 5;

QString trPdf(const char* text) {
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

    // The stretches `cuts` of `document`, each on a page of its own under
    // the title row it repeats.
    // `closing`: the last of them ends the report and says so at its foot,
    // so a report cut short shows (the total is not known while pages are
    // written).
    bool paint(QTextDocument& document, const std::vector<PageCut>& cuts, bool closing = false) {
        for (size_t i = 0; i < cuts.size(); ++i) {
            if (pages > 0 && !writer.newPage()) {
                return false;
            }
            ++pages;
            const PageCut& cut = cuts[i];
            const double width = pageSize().width();
            painter.save();
            painter.scale(kScale, kScale);
            // A continued table's title row first, the stretch below it.
            const double title = std::max(cut.titleHeight(), 0.0);
            if (title > 0) {
                painter.translate(0, -cut.titleTop);
                draw(document, QRectF(0, cut.titleTop, width, title));
                painter.translate(0, cut.titleTop);
            }
            painter.translate(0, title - cut.top);
            draw(document, QRectF(0, cut.top, width, cut.bottom - cut.top));
            painter.restore();
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
            painter.drawText(QRect(0, area.height() - footer, area.width(), footer),
                             Qt::AlignRight | Qt::AlignBottom,
                             closing && i + 1 == cuts.size() ? trPdf("%1 (last page)").arg(pages)
                                                             : QString::number(pages));
        }
        return true;
    }

  private:
    // As QTextDocument::drawContents, with the body's text colour.
    void draw(QTextDocument& document, const QRectF& rect) {
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, pdfTextColour());
        context.clip = rect;
        painter.save();
        painter.setClipRect(rect);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
    }

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
    // With a null page size the document is not laid out until layOutCut
    // gives it its width.
    Part(QPdfWriter& metrics, const PageFlow& flow) : page(flow.pageSize()) {
        text.documentLayout()->setPaintDevice(&metrics);
        text.setPageSize(QSizeF(0, 0));
        text.setDocumentMargin(0);
        text.setDefaultFont(pdfBodyFont());
        // Lines break between words only: a file name split mid-word reads
        // as two names.
        QTextOption wrap = text.defaultTextOption();
        wrap.setWrapMode(QTextOption::WordWrap);
        text.setDefaultTextOption(wrap);
    }

    // The section's images drawn by `objects`, which must outlive the part.
    void drawImagesWith(QObject& objects) {
        text.documentLayout()->registerHandler(QTextFormat::ImageObject, &objects);
    }

    void addImage(const QString& name, const QImage& image) {
        text.addResource(QTextDocument::ImageResource, QUrl(name), image);
    }

    QTextDocument& document() { return text; }

    // Laid out as one long page, and where its pages begin and end.
    std::vector<PageCut> layOutCut(const std::string& body) {
        read(body);
        text.setTextWidth(page.width());
        return pageCuts(text, page.height());
    }

  private:
    void read(const std::string& body) {
        text.setHtml(QString::fromStdString(pagedHtml(body)));
        // Each block keeps its shaped text once laid out, so painting does
        // not shape it all again; set before the layout, which the page
        // size starts.
        for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
            block.layout()->setCacheEnabled(true);
        }
    }

    // The report's HTML with its tables' grid drawn as the gaps between
    // white cells on a grey table. Qt's layout looks collapsed borders up
    // again and again, in layout and in painting, and its PDF writer draws
    // each cell's border as four fills in a graphics state of their own:
    // together a third of the PDF's time. A cell's background is one fill.
    static std::string pagedHtml(const std::string& body) {
        static const std::string bordered = htmlTableOpen();
        // The report's grid colour between the cells.
        static const std::string gapped =
            "<table border=\"0\" cellspacing=\"1\" cellpadding=\"4\" bgcolor=\"#9e9e9e\">";
        std::string html =
            std::string("<html><head><style>") + pdfStyleSheet() + "</style></head><body>";
        html.reserve(html.size() + body.size() + 16);
        // Text from a file is escaped, so the tag is found only where the
        // report opened a table.
        size_t from = 0;
        for (size_t at = body.find(bordered); at != std::string::npos;
             at = body.find(bordered, from)) {
            html.append(body, from, at - from);
            html += gapped;
            from = at + bordered.size();
        }
        html.append(body, from, std::string::npos);
        html += "</body></html>";
        return html;
    }

    QTextDocument text;
    const QSizeF page;
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

// How many of the first table's `rows` rows under its title row begin
// above `y` (document coordinates).
size_t rowsAbove(const QTextDocument& document, double y, size_t rows) {
    const QTextTable* const table = tableOf(document);
    if (table == nullptr) {
        return rows;
    }
    const QAbstractTextDocumentLayout* const layout = document.documentLayout();
    const size_t listed = std::min(rows, static_cast<size_t>(std::max(table->rows() - 1, 0)));
    for (size_t k = 0; k < listed; ++k) {
        const int row = static_cast<int>(k) + 1;
        const QTextBlock block = document.findBlock(table->cellAt(row, 0).firstPosition());
        if (layout->blockBoundingRect(block).top() >= y) {
            return k;
        }
    }
    return rows;
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
    std::vector<PageCut> cuts;  // of the part, laid out as one long page
    bool closing = false;       // the report's last part
    bool summaryEnds = false;   // the summary's last part
};

void setUp(QPdfWriter& writer, PaperSize paper) {
    writer.setPageSize(QPageSize(paper == PaperSize::A4 ? QPageSize::A4 : QPageSize::Letter));
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    writer.setResolution(300);
}

// What one layout thread lays out: the sections of every `step`-th file
// from `first` onto its own queue; the first thread also the title and
// summary ahead of them and the closing after them.
struct Share {
    size_t first = 0;
    size_t step = 1;
    bool leads = false;
};

// The continuity parts of the files a thread laid out, by index, handed to
// the thread that lays out the closing once all its sections are laid out.
class ContinuityParts {
  public:
    void add(size_t index, RecordingEvidence part) {
        const std::lock_guard<std::mutex> lock(mutex);
        parts.emplace_back(index, std::move(part));
    }
    // One thread is done with its sections; `whole`: all of them.
    void finished(bool whole) {
        const std::lock_guard<std::mutex> lock(mutex);
        ++done;
        complete = complete && whole;
        changed.notify_all();
    }
    // Waits until `threads` threads are done; every part in file order, or
    // nothing when a thread stopped short.
    std::optional<std::vector<RecordingEvidence>> all(size_t threads) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return done >= threads; });
        if (!complete) {
            return std::nullopt;
        }
        std::sort(parts.begin(), parts.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<RecordingEvidence> ordered;
        ordered.reserve(parts.size());
        for (auto& part : parts) {
            ordered.push_back(std::move(part.second));
        }
        parts.clear();
        return ordered;
    }

  private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<size_t, RecordingEvidence>> parts;
    size_t done = 0;
    bool complete = true;
};

// What the layout threads share: the report and how its pictures are decoded.
struct LayoutInput {
    const ReportFiles& files;
    const ReportContext& run;
    const std::vector<std::vector<std::string>>& custody;
    const PageFlow& flow;
    const std::function<bool()>& keepGoing;
    PdfPictureCache& decoded;
    ContinuityParts& continuity;
    size_t threads;
};

// Lays out one thread's share of the report's parts, in order, onto `queue`,
// measured on a writer of its own that never paints: the same resolution
// and page as the one that prints, so its lines are the ones printed.
class Layout {
  public:
    Layout(const LayoutInput& shared, Share share, PaperSize paper, PartQueue<Pages>& parts)
        : in(shared), mine(share), queue(parts) {
        setUp(metrics, paper);
    }

    bool all() {
        const bool sections = (!mine.leads || summary()) && files();
        in.continuity.finished(sections);
        if (!sections || !mine.leads) {
            return sections;
        }
        std::optional<std::vector<RecordingEvidence>> parts = in.continuity.all(in.threads);
        if (!parts || !in.keepGoing()) {
            return false;
        }
        auto closing = std::make_unique<Pages>();
        closing->part = std::make_unique<Part>(metrics, in.flow);
        closing->cuts = closing->part->layOutCut(htmlReportClosing(*parts, in.run));
        closing->closing = true;
        return send(std::move(closing));
    }

  private:
    bool send(std::unique_ptr<Pages> pages) { return queue.push(std::move(pages)); }

    bool files() {
        HtmlReportOptions options;
        options.inlineSvg = false;       // the timelines are drawn by ImageObjects
        options.inlinePictures = false;  // and the pictures come from the resources
        options.custody = in.custody;
        // The layout scales the pictures' CSS pixels to the writer's
        // resolution, as its own image handler would.
        const double imageScale = metrics.resolution() / 96.0;
        for (size_t i = mine.first; i < in.files.count; i += mine.step) {
            if (!in.keepGoing()) {
                return false;
            }
            auto pages = std::make_unique<Pages>();
            pages->evidence = in.files.evidence(i);
            std::shared_ptr<const std::vector<ReportPicture>> pictures;
            if (in.files.pictures) {
                pictures = in.files.pictures(i);
            }
            pages->images =
                std::make_unique<ImageObjects>(pages->evidence.get(), pictures, imageScale);
            pages->part = std::make_unique<Part>(metrics, in.flow);
            pages->part->drawImagesWith(*pages->images);
            if (pictures != nullptr) {
                addPictures(*pages->part, *pictures, i, in.decoded);
            }
            pages->cuts = pages->part->layOutCut(
                htmlFileSection(*pages->evidence, i, pictures.get(), options));
            in.continuity.add(i, continuityPart(*pages->evidence));
            if (!send(std::move(pages))) {
                return false;
            }
        }
        return true;
    }

    // The title and the summary table, a page at a time: the rows that
    // come after the first page's start the next page's layout, so each
    // page's columns fit its own rows. Each layout takes a few more rows
    // than the last page held. Laid out as one long page and cut as the
    // sections are: Qt's own pages took twice the time to lay out a table.
    // Its last part is marked, so the painter knows where the sections
    // begin.
    bool summary() {
        size_t first = 0;
        size_t take = kSummaryRows;
        do {
            if (!in.keepGoing()) {
                return false;
            }
            const size_t end = std::min(in.files.count, first + take);
            std::string body;
            if (first == 0) {
                body = htmlReportHeading(in.files.count, in.run) + "<h2>Summary</h2>";
            }
            // Its title row repeats at the top of every page.
            body += std::string(htmlTableOpen()) + htmlSummaryTitles();
            for (size_t i = first; i < end; ++i) {
                body += htmlSummaryRow(*in.files.evidence(i), i);
            }
            body += "</table>";
            if (end == in.files.count) {
                body +=
                    htmlSummaryNote() + htmlSkippedEntries(in.run, HtmlReportOptions().maxItems);
            }
            auto pages = std::make_unique<Pages>();
            pages->part = std::make_unique<Part>(metrics, in.flow);
            pages->cuts = pages->part->layOutCut(body);
            const size_t listed = end - first;
            const size_t onPage =
                pages->cuts.size() < 2
                    ? listed
                    : rowsAbove(pages->part->document(), pages->cuts.front().bottom, listed);
            if (onPage == 0 || onPage == listed) {
                // All on the page, or a row taller than a page: as laid out.
                first = end;
            } else {
                pages->cuts.resize(1);
                first += onPage;
                take = onPage + kSummaryMargin;
            }
            pages->summaryEnds = first >= in.files.count;
            if (!send(std::move(pages))) {
                return false;
            }
        } while (first < in.files.count);
        return true;
    }

    const LayoutInput& in;
    const Share mine;
    PartQueue<Pages>& queue;
    QBuffer nowhere;
    QPdfWriter metrics{&nowhere};
};


}  // namespace

bool printPdfReport(const ReportFiles& files, const ReportContext& run, PaperSize paper,
                    QIODevice& device, const std::function<bool()>& keepGoing,
                    const std::vector<std::vector<std::string>>& custody) {
    QPdfWriter writer(&device);
    setUp(writer, paper);
    writer.setTitle(trPdf("Verification report"));
    writer.setCreator(QStringLiteral("telvar-authenticator"));
    PageFlow flow(writer);
    if (!flow.begin()) {
        return false;
    }
    // The layout takes more time than the painting: two threads lay out
    // the files' sections in turns, each onto a queue of its own, while
    // this one paints.
    constexpr size_t kThreads = 2;
    PdfPictureCache decoded;
    ContinuityParts continuity;
    const LayoutInput input{files, run, custody, flow, keepGoing, decoded, continuity, kThreads};
    std::array<PartQueue<Pages>, kThreads> queues;
    std::array<std::unique_ptr<QThread>, kThreads> layouts;
    for (size_t k = 0; k < kThreads; ++k) {
        // A QThread, not a bare thread: the layout starts Qt timers of its own.
        layouts[k].reset(QThread::create([&input, &queues, k, paper] {
            queues[k].end(Layout(input, Share{k, kThreads, k == 0}, paper, queues[k]).all());
        }));
        layouts[k]->start();
    }
    const auto paint = [&](PartQueue<Pages>& queue) {
        Pages* const pages = queue.pop();
        return pages != nullptr && keepGoing() &&
               flow.paint(pages->part->document(), pages->cuts, pages->closing);
    };
    // The title and summary, each file's section in file order, the closing.
    bool painted = true;
    for (bool summary = true; painted && summary;) {
        const Pages* const pages = queues[0].pop();
        painted = pages != nullptr && keepGoing() && flow.paint(pages->part->document(), pages->cuts);
        summary = pages != nullptr && !pages->summaryEnds;
    }
    for (size_t i = 0; painted && i < files.count; ++i) {
        painted = paint(queues[i % kThreads]);
    }
    painted = painted && paint(queues[0]);
    // The text was shaped on the layout threads, with their fonts: they
    // live until the PDF has embedded them.
    const bool ended = flow.end();
    bool whole = ended;
    for (PartQueue<Pages>& queue : queues) {
        whole = queue.finish(painted) && whole;
    }
    for (const std::unique_ptr<QThread>& layout : layouts) {
        layout->wait();
    }
    return whole;
}
