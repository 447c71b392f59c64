#pragma once

#include <QDialog>
#include <QThread>
#include <memory>
#include <optional>
#include <string>

#include "casefile/CustodyLog.h"

class CaseStore;
class QLabel;
class QPushButton;
class QTableView;

// The case's custody log, one line per event (number, time, examiner, kind,
// recording, SHA-256), and "Check log", which recomputes the chain and names
// the first event that does not fit.
class CaseLogDialog : public QDialog {
    Q_OBJECT

  public:
    CaseLogDialog(const CaseStore& store, QWidget* parent = nullptr);
    // Waits for a check still running: it reads the case through its own
    // connection and cannot be stopped halfway.
    ~CaseLogDialog() override;

    QTableView* table() const { return events; }
    QLabel* checkResult() const { return result; }

    // Whether a check runs now.
    bool checking() const { return checker != nullptr; }

  public slots:
    // Checks on a thread of its own (a large log takes seconds); the
    // result shows when it ends.
    void checkLog();

  signals:
    void checked();

  private:
    void showCheck();

    const CaseStore& store;
    QTableView* events = nullptr;
    QLabel* result = nullptr;
    QPushButton* check = nullptr;
    std::unique_ptr<QThread> checker;
    // Set by the checker; read once it has finished.
    std::optional<AuditResult> audit;
    std::string failure;
};
