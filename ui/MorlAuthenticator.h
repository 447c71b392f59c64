#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include "verification/VerifyResult.h"

class QLabel;
class QSplitter;
class EvidencePane;
class NResultTree;
class NToolButton;
class VerifyProgressDlg;

// The single main window: a banner with the Add, Add Folder, Delete, Export
// and About buttons and the Total, Success and Failed counts above the list
// of results and the evidence pane of the selected rows. Files come from a
// file dialog, a folder dialog or by drag and drop and are verified through
// the progress dialog.
class MorlAuthenticator : public QMainWindow {
    Q_OBJECT

  public:
    explicit MorlAuthenticator(QWidget* parent = nullptr);

  public slots:
    // Files and folders, folders expanded to their recordings, as Add Folder
    // does; the program's arguments come here too.
    void verifyFileList(const QStringList& list);
    // As verifyFileList, and the first row listed is selected, so its
    // evidence shows without a click: for paths given on the command line.
    void openOnStart(const QStringList& list);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Closing ends the program, so a run in progress is stopped first.
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void handleAddBtn();
    void handleAddFolderBtn();
    void handleDeleteBtn();
    void handleAboutBtn();
    void handleExportBtn();
    void copySelection();
    void openEvidence();
    void addVerifyResult(const VerifyResult&);
    void reportCancelled(const QStringList& notVerified, int inProgress);
    // Queues the selected rows' files again; a row left unverified gives way
    // to its new result.
    void verifyAgain();
    // Queues again every file a cancelled run left unverified.
    void verifyNotVerified();
    void showListMenu(const QPoint& at);
    void updateRunState();
    void updateRunText();
    void updateSummary();
    void showSelectedEvidence();

  private:
    QWidget* buildHeader();
    void addShortcuts();
    void showProgressDialog();
    void showNote(const QString& title, const QString& text, const QStringList& lines);
    // Takes the rows out of the list and queues their files, in list order.
    void requeueRows(const std::vector<int>& rows, const std::vector<int>& remove);

    NResultTree* resultTree = nullptr;
    EvidencePane* evidencePane = nullptr;
    QSplitter* splitter = nullptr;
    QWidget* headerWidget = nullptr;
    NToolButton* addButton = nullptr;
    NToolButton* folderButton = nullptr;
    NToolButton* deleteButton = nullptr;
    NToolButton* exportButton = nullptr;
    NToolButton* aboutButton = nullptr;
    QLabel* filler = nullptr;     // the spare width left of the counts
    QLabel* runLink = nullptr;  // "Verifying n/total": brings the dialog back
    QLabel* successLabel = nullptr;
    QLabel* failedLabel = nullptr;
    QLabel* notVerifiedLabel = nullptr;  // shown only while such rows are listed
    QLabel* totalLabel = nullptr;
    VerifyProgressDlg* progressDialog = nullptr;
    QTimer runTextTimer;
    bool selectFirstRow = false;  // set by openOnStart until a row is listed
};
