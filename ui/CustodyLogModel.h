#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "casefile/CustodyEvent.h"

// The custody log as the log dialog lists it: number, time, examiner, kind,
// recording, detail and SHA-256 of each event. Keeps only those fields and
// makes each cell's text when it is shown, so a case of 100,000 recordings
// (200,000 events and more) lists without a widget item per cell.
class CustodyLogModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit CustodyLogModel(const std::vector<CustodyEvent>& events, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    struct Line {
        int64_t seq = 0;
        EventKind kind = EventKind::CaseCreated;
        std::string at;
        std::string examiner;
        std::string path;
        std::string detail;
        std::string sha256;
    };
    QString text(const Line& line, int column) const;

    std::vector<Line> lines;
};
