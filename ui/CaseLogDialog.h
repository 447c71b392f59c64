#pragma once

#include <QDialog>

class CaseStore;
class QLabel;
class QTableView;

// The case's custody log, one line per event (number, time, examiner, kind,
// recording, SHA-256), and "Check log", which recomputes the chain and names
// the first event that does not fit.
class CaseLogDialog : public QDialog {
    Q_OBJECT

  public:
    CaseLogDialog(const CaseStore& store, QWidget* parent = nullptr);

    QTableView* table() const { return events; }
    QLabel* checkResult() const { return result; }

  public slots:
    void checkLog();

  private:
    const CaseStore& store;
    QTableView* events = nullptr;
    QLabel* result = nullptr;
};
