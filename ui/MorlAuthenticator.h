#pragma once

#include <QMainWindow>
#include <QStringList>

#include "verification/VerifyResult.h"

class QLabel;
class NResultTree;
class NToolButton;
class VerifyProgressDlg;

// The single main window: a banner with the Add, Delete and About buttons
// and the Total, Success and Failed counts above the list of results. Files
// come from a file dialog or by drag and drop and are verified through the
// progress dialog.
class MorlAuthenticator : public QMainWindow {
    Q_OBJECT

  public:
    explicit MorlAuthenticator(QWidget* parent = nullptr);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Closing ends the program, so a run in progress is stopped first.
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void handleAddBtn();
    void handleDeleteBtn();
    void handleAboutBtn();
    void addVerifyResult(const VerifyResult&);
    void verifyFileList(const QStringList& list);

  private:
    QWidget* buildHeader();
    void updateSummary();

    NResultTree* resultTree = nullptr;
    QWidget* headerWidget = nullptr;
    NToolButton* addButton = nullptr;
    NToolButton* deleteButton = nullptr;
    NToolButton* aboutButton = nullptr;
    QLabel* successLabel = nullptr;
    QLabel* failedLabel = nullptr;
    QLabel* totalLabel = nullptr;
    VerifyProgressDlg* progressDialog = nullptr;
};
