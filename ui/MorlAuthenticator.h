#pragma once

#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include "verification/VerifyResult.h"

class CaseMenu;
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

    CaseMenu* caseMenu() const { return cases; }

  signals:
    // Rows left the list (Delete) or came back (its undo), by the paths'
    // exact bytes; the case records both in its custody log.
    void recordingsRemoved(const QList<QByteArray>& paths);
    void recordingsRestored(const QList<QByteArray>& paths);

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
    void reportCancelled(const QStringList& notVerified);
    void updateRunState();
    void updateRunText();
    void updateSummary();
    void showSelectedEvidence();
    void updateTitle();

  private:
    QWidget* buildHeader();
    void addShortcuts();
    void showProgressDialog();
    void showNote(const QString& title, const QString& text, const QStringList& lines);

    NResultTree* resultTree = nullptr;
    EvidencePane* evidencePane = nullptr;
    QSplitter* splitter = nullptr;
    QWidget* headerWidget = nullptr;
    NToolButton* addButton = nullptr;
    NToolButton* folderButton = nullptr;
    NToolButton* deleteButton = nullptr;
    NToolButton* exportButton = nullptr;
    NToolButton* caseButton = nullptr;
    CaseMenu* cases = nullptr;
    NToolButton* aboutButton = nullptr;
    QLabel* filler = nullptr;     // the spare width left of the counts
    QLabel* runLink = nullptr;  // "Verifying n/total": brings the dialog back
    QLabel* successLabel = nullptr;
    QLabel* failedLabel = nullptr;
    QLabel* totalLabel = nullptr;
    VerifyProgressDlg* progressDialog = nullptr;
    QTimer runTextTimer;
    bool selectFirstRow = false;  // set by openOnStart until a row is listed
};
