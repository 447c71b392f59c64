#pragma once

#include <QWidget>
#include <vector>

#include "ui/ResultModel.h"

class QTextBrowser;
class TimelineView;

// Below the list: the evidence of the selected file (its timeline picture
// above selectable text), or the continuity of several selected files.
class EvidencePane : public QWidget {
    Q_OBJECT

  public:
    explicit EvidencePane(QWidget* parent = nullptr);

    void showRows(const std::vector<const ResultModel::Row*>& rows);
    // The text as shown, without markup.
    QString plainText() const;
    void copySelectedText();
    TimelineView* timeline() const { return timelineView; }

  protected:
    void focusInEvent(QFocusEvent* event) override;

  private:
    TimelineView* timelineView = nullptr;
    QTextBrowser* text = nullptr;
};
