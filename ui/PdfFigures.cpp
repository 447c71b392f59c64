#include "ui/PdfFigures.h"

#include <QFont>
#include <QPainter>
#include <QTextDocument>
#include <QUrl>
#include <cstdint>

#include "report/Escape.h"
#include "report/HtmlReport.h"
#include "report/Timeline.h"
#include "ui/TimelineView.h"

ImageObjects::ImageObjects(const RecordingEvidence* shown,
                           std::shared_ptr<const std::vector<ReportPicture>> strip,
                           double pixelScale)
    : evidence(shown), pictures(std::move(strip)), scale(pixelScale) {}

QSizeF ImageObjects::intrinsicSize(QTextDocument*, int, const QTextFormat& format) {
    const QTextImageFormat image = format.toImageFormat();
    return QSizeF(image.width(), image.height()) * scale;
}

void ImageObjects::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                              const QTextFormat& format) {
    const QString name = format.toImageFormat().name();
    if (name.startsWith(QLatin1String("timeline:"))) {
        if (evidence != nullptr) {
            const QSize size = TimelineView::reportSize();
            painter->save();
            // The size its labels have in the report's picture at 1:1,
            // in the picture's own units rather than the page's points.
            QFont font(QStringLiteral("DejaVu Sans"));
            font.setPixelSize(12);
            painter->setFont(font);
            painter->translate(rect.topLeft());
            painter->scale(rect.width() / size.width(), rect.height() / size.height());
            TimelineView::paintReport(*painter, *evidence);
            painter->restore();
        }
        return;
    }
    const QStringList parts = name.split(QLatin1Char(':'));
    const size_t k = parts.size() == 3 ? parts[2].toULongLong() : SIZE_MAX;
    if (pictures == nullptr || k >= pictures->size()) {
        return;
    }
    const QImage image =
        document->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
    drawFigure(*painter, rect, (*pictures)[k], image);
}

void ImageObjects::drawFigure(QPainter& painter, const QRectF& rect, const ReportPicture& picture,
                              const QImage& image) const {
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(scale, scale);  // CSS pixels from here
    const QColor standing(QLatin1String(timelineColour(markOf(picture.shownStanding()))));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    painter.setFont(font);
    double top = 0;
    if (image.isNull()) {
        painter.setPen(QColor(QStringLiteral("#555555")));
        painter.drawText(
            QRectF(0, 0, kFigureWidth - 6, kFigureNoPictureHeight),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
            tr("No picture: %1").arg(QString::fromStdString(displayText(picture.reason))));
        top = kFigureNoPictureHeight;
    } else {
        const QRectF frame(1.5, 1.5, picture.width + 3, picture.height + 3);
        painter.drawImage(QRectF(3, 3, picture.width, picture.height), image);
        painter.setPen(QPen(standing, 3));
        painter.drawRect(frame);
        top = picture.height + 6;
    }
    painter.setPen(QColor(QStringLiteral("#212121")));
    painter.drawText(QRectF(0, top + 2, kFigureWidth - 6, kFigureCaptionHeight - 2),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     QString::fromStdString(displayText(picture.label)));
    painter.restore();
}

#include "moc_PdfFigures.cpp"
