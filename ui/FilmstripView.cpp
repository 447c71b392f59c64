#include "ui/FilmstripView.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <QVariant>
#include <QVBoxLayout>
#include <climits>

#include "ui/ResultText.h"

namespace {

constexpr int kTileWidth = 136;
constexpr int kPictureHeight = 96;

// Everything from the file or the decoder is shown as plain text.
QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* const label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFixedWidth(kTileWidth);
    return label;
}

// Green only for a proven cluster; red and bold for a failing one; the
// others in their own muted colours, never green.
QString captionStyle(ClusterStanding standing) {
    switch (standing) {
        case ClusterStanding::Proven:
            return QStringLiteral("color: #1e6b2a;");
        case ClusterStanding::Failing:
            return QStringLiteral("color: #b00020; font-weight: bold;");
        case ClusterStanding::Sealed:
            return QStringLiteral("color: #2f5a99;");
        case ClusterStanding::LinkHolds:
            return QStringLiteral("color: #6d5a52;");
        case ClusterStanding::OutOfPlace:
            return QStringLiteral("color: #ad1457; font-weight: bold;");
        case ClusterStanding::NotChecked:
            break;
    }
    return QStringLiteral("color: #555555;");
}

QLabel* pictureLabel(const ReportPicture& picture, QWidget* parent) {
    QImage image;
    if (!picture.png.empty() && picture.png.size() <= static_cast<size_t>(INT_MAX)) {
        image.loadFromData(picture.png.data(), static_cast<int>(picture.png.size()), "PNG");
    }
    QLabel* label = nullptr;
    if (image.isNull()) {
        // Neither picture nor reason: one still being decoded.
        const QString text = picture.png.empty() && picture.reason.empty()
                                 ? QObject::tr("Decoding…")
                                 : QObject::tr("No picture: %1")
                                       .arg(picture.reason.empty() ? QObject::tr("not readable")
                                                                   : textOf(picture.reason));
        label = plainLabel(text, parent);
        label->setAlignment(Qt::AlignCenter);
        label->setObjectName(QStringLiteral("noPicture"));
    } else {
        label = new QLabel(parent);
        label->setPixmap(QPixmap::fromImage(image.scaled(
            kTileWidth, kPictureHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        label->setAlignment(Qt::AlignCenter);
        label->setObjectName(QStringLiteral("picture"));
    }
    label->setFixedSize(kTileWidth, kPictureHeight);
    label->setStyleSheet(QStringLiteral("background: #f2f2f2; color: #555555;"));
    return label;
}

}  // namespace

FilmstripView::FilmstripView(QWidget* parent) : QScrollArea(parent) {
    setAccessibleName(tr("Pictures from the recording"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Beside the evidence text it may grow as tall as the text; the tiles
    // keep to the top.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* const inner = new QWidget(this);
    row = new QHBoxLayout(inner);
    row->setContentsMargins(6, 2, 0, 2);
    row->setSpacing(8);
    row->addStretch(1);
    setWidget(inner);
    setMinimumHeight(kPictureHeight + 76 + horizontalScrollBar()->sizeHint().height());
    hide();
}

void FilmstripView::setPictures(const std::vector<ReportPicture>& pictures) {
    while (row->count() > 1) {
        QLayoutItem* const item = row->takeAt(0);
        delete item->widget();  // owned by the inner widget; removed here at once
        delete item;
    }
    clickedTile = nullptr;
    for (const ReportPicture& picture : pictures) {
        row->insertWidget(row->count() - 1, addTile(picture));
    }
    setVisible(!pictures.empty());
}

void FilmstripView::showClicked(const ReportPicture& picture) {
    ReportPicture clicked = picture;
    clicked.label = tr("Clicked: %1").arg(textOf(picture.label)).toStdString();
    setClickedTile(addTile(clicked));
}

void FilmstripView::showDecoding() {
    setClickedTile(addTile(ReportPicture{}));
}

void FilmstripView::setClickedTile(QWidget* tile) {
    delete clickedTile;
    clickedTile = tile;
    clickedTile->setObjectName(QStringLiteral("clickedTile"));
    row->insertWidget(row->count() - 1, clickedTile);
    show();
    // Once the row has laid the new tile out.
    QTimer::singleShot(0, this, [this] {
        if (clickedTile != nullptr) {
            ensureWidgetVisible(clickedTile);
        }
    });
}

QWidget* FilmstripView::addTile(const ReportPicture& picture) {
    auto* const tile = new QFrame(widget());
    auto* const layout = new QVBoxLayout(tile);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(pictureLabel(picture, tile));
    QLabel* const caption = plainLabel(textOf(picture.label), tile);
    caption->setObjectName(QStringLiteral("caption"));
    caption->setStyleSheet(captionStyle(picture.shownStanding()));
    layout->addWidget(caption);
    layout->addStretch(1);
    if (picture.cluster > 0 && !picture.png.empty()) {
        tile->setProperty("cluster", QVariant::fromValue<qint64>(picture.cluster));
        tile->setToolTip(tr("Double-click or press Enter to play from here"));
        // Reached with Tab, named for a screen reader, and marked when it
        // has the focus (the exact class: the labels inside are frames too).
        tile->setFocusPolicy(Qt::StrongFocus);
        tile->setAccessibleName(tr("Play from here: %1").arg(textOf(picture.label)));
        tile->setStyleSheet(QStringLiteral(".QFrame { border: 2px solid transparent; }"
                                           ".QFrame:focus { border: 2px solid #1a5fb4; }"));
        tile->installEventFilter(this);
        for (QWidget* const part : tile->findChildren<QWidget*>()) {
            part->installEventFilter(this);
        }
    }
    return tile;
}

bool FilmstripView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* const key = static_cast<QKeyEvent*>(event);
        const QVariant cluster = watched->property("cluster");
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (cluster.isValid() && modifiers == Qt::NoModifier &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            emit playRequested(cluster.value<qint64>());
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        const QVariant cluster = watched->parent()->property("cluster");
        if (cluster.isValid()) {
            emit playRequested(cluster.value<qint64>());
            return true;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

QStringList FilmstripView::labels() const {
    QStringList shown;
    for (int i = 0; i + 1 < row->count(); ++i) {
        const QWidget* const tile = row->itemAt(i)->widget();
        QString text = tile->findChild<QLabel*>(QStringLiteral("caption"))->text();
        if (const auto* const none = tile->findChild<QLabel*>(QStringLiteral("noPicture"))) {
            text += QStringLiteral(" / ") + none->text().toLower();
        }
        shown << text;
    }
    return shown;
}

int FilmstripView::pictureCount() const {
    return static_cast<int>(widget()->findChildren<QLabel*>(QStringLiteral("picture")).size());
}

#include "moc_FilmstripView.cpp"
