#pragma once

#include <QThreadPool>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "report/HtmlReport.h"

#include "ui/ResultModel.h"

class FilmstripView;
class QSplitter;
class QTextBrowser;
class TimelineView;
struct RecordingEvidence;

// Below the list: the evidence of the selected file (its timeline picture
// above the pictures around its first failure beside selectable text), or the
// continuity of several selected files. A click on a span of the timeline
// shows that span's first picture, decoded on one of a few threads.
class EvidencePane : public QWidget {
    Q_OBJECT

  public:
    explicit EvidencePane(QWidget* parent = nullptr);
    // Waits for the pictures still being decoded, drops those not started.
    ~EvidencePane() override;
    // Pictures decoded at once, at most.
    static constexpr int kDecoders = 2;
    // Decodings going on now.
    int decoding() const { return decoders.activeThreadCount(); }

    void showRows(const std::vector<const ResultModel::Row*>& rows);
    // The text as shown, without markup.
    QString plainText() const;
    void copySelectedText();
    TimelineView* timeline() const { return timelineView; }
    FilmstripView* filmstrip() const { return strip; }
    QWidget* textView() const;
    QSplitter* pictureSplitter() const { return beside; }
    // The pictures' share of the width beside the text; -1 while none show.
    double pictureShare() const;
    // Takes a share from pictureShare; any other gives the pane's own.
    void setPictureShare(double share);
    // Decodes the first picture of the shown evidence's run `run` and shows
    // it in the filmstrip when done.
    void showRunPicture(int run);

  signals:
    // The player is asked for at this cluster of the shown recording.
    void playRequested(qint64 cluster);

  protected:
    void focusInEvent(QFocusEvent* event) override;

  private:
    void runPictureDecoded(int request, const ReportPicture& picture);
    // For evidence read back from a case: its pictures, made again from the
    // file on a thread of their own.
    void remakePictures();
    // Runs the work in the pool in place of any that waits for its turn.
    void decode(std::function<void()> work);

    TimelineView* timelineView = nullptr;
    FilmstripView* strip = nullptr;
    QSplitter* beside = nullptr;  // the pictures | the text
    std::shared_ptr<const RecordingEvidence> shown;
    // A decoded picture for an older request is dropped, and one not yet
    // started is not decoded at all.
    std::atomic<int> requests{0};
    QThreadPool decoders;
    QTextBrowser* text = nullptr;
};
