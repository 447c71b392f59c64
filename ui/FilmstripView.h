#pragma once

#include <QScrollArea>
#include <QStringList>
#include <vector>

#include "report/HtmlReport.h"

class QHBoxLayout;

// A row of small pictures from the recording, each above its label
// ("Cluster 15 · 00:00:14 (08:00:14 as stated) · failed"), coloured by
// standing: green only where proven, the failed ones in red; a picture
// that could not be decoded shows why instead. The pictures around the
// first failing run come first, then the one of a clicked span. Hidden
// while it has nothing to show.
class FilmstripView : public QScrollArea {
    Q_OBJECT

  public:
    explicit FilmstripView(QWidget* parent = nullptr);

    // Replaces every picture, the clicked one too.
    void setPictures(const std::vector<ReportPicture>& pictures);
    // Shows (or replaces) the picture of a clicked span at the end of the row.
    void showClicked(const ReportPicture& picture);
    // Stands in for the clicked span's picture while it is decoded.
    void showDecoding();

    // The labels as shown, in order, each with " / no picture: …" where
    // there is none.
    QStringList labels() const;
    int pictureCount() const;  // tiles that show a picture

  signals:
    // A picture was double-clicked, or Enter pressed on it: the player
    // opens at its cluster.
    void playRequested(qint64 cluster);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* addTile(const ReportPicture& picture);
    void setClickedTile(QWidget* tile);

    QHBoxLayout* row = nullptr;
    QWidget* clickedTile = nullptr;
};
