#pragma once

#include <QObject>
#include <QTextObjectInterface>
#include <memory>
#include <vector>

#include "report/ReportPicture.h"
#include "signature/RecordingEvidence.h"

// Draws a file section's <img>s in the PDF: its timeline as vectors from
// the evidence, sharp at any zoom and far smaller and quicker to write than
// an image, and each picture with its caption as one object (the report's
// inlinePictures false), so no caption parts from its picture across pages.
// Stands in for the layout's own image handler, at the size that handler
// would give.
class ImageObjects : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

  public:
    // `shown` must outlive the object; `pixelScale`: device pixels per CSS pixel.
    ImageObjects(const RecordingEvidence* shown,
                 std::shared_ptr<const std::vector<ReportPicture>> strip, double pixelScale);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

  private:
    void drawFigure(QPainter& painter, const QRectF& rect, const ReportPicture& picture,
                    const QImage& image) const;

    const RecordingEvidence* evidence;
    std::shared_ptr<const std::vector<ReportPicture>> pictures;
    double scale;
};
