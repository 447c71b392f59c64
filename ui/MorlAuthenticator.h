#pragma once

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>

#include "ui/ResultModel.h"
#include "verification/VerifyResult.h"

class CaseMenu;
class QLabel;
class QSplitter;
class EvidencePane;
class FolderWalk;
struct CollectedRecordings;
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

    // Asked before more rows than this are removed at once: more than the
    // list shows at its default size, so some of them may be out of view.
    static constexpr int kConfirmRemovalAbove = 10;
    // Whether to remove `count` rows; a message box unless replaced (tests).
    using RemovalConfirmation = std::function<bool(int count)>;
    void setRemovalConfirmation(RemovalConfirmation confirm);
    CaseMenu* caseMenu() const { return cases; }

  signals:
    // The user removed rows, or Ctrl+Z put them back: their paths by their
    // exact bytes, top to bottom; the case records both in its custody log.
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
    void resizeEvent(QResizeEvent* event) override;

  private slots:
    void handleAddBtn();
    void handleAddFolderBtn();
    void handleDeleteBtn();
    // Ctrl+Z: puts the rows of the latest removal back.
    void undoRemoval();
    void handleAboutBtn();
    void handleExportBtn();
    // The Keys dialog (Ctrl+K).
    void showKeys();
    // The player on the first selected row's recording (Ctrl+Shift+P).
    void openPlayer();
    void copySelection();
    void openEvidence();
    void addVerifyResult(const VerifyResult&);
    // Notes what the walk skipped and queues what it found.
    void queueRecordings(const CollectedRecordings& collected);
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
    void updateTitle();

  private:
    QWidget* buildHeader();
    // The same at the first frame of `cluster`, when given.
    void openPlayerAt(std::optional<int64_t> cluster);

    void addShortcuts();
    void showProgressDialog();
    // The counts' spacing: less of it where the row would not fit.
    void fitCounts();
    void showNote(const QString& title, const QString& text, const QStringList& lines);
    // The window's size and place and the splitters' shares, from the last
    // time the window was closed (QSettings).
    void restoreLayout();
    void saveLayout() const;
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
    NToolButton* caseButton = nullptr;
    CaseMenu* cases = nullptr;
    NToolButton* playButton = nullptr;
    NToolButton* aboutButton = nullptr;
    QLabel* filler = nullptr;     // the spare width left of the counts
    QLabel* runLink = nullptr;  // "Verifying n/total": brings the dialog back
    QLabel* successLabel = nullptr;
    QLabel* failedLabel = nullptr;
    QLabel* notVerifiedLabel = nullptr;  // shown only while such rows are listed
    QLabel* totalLabel = nullptr;
    QWidget* countsRow = nullptr;  // the buttons and the counts
    bool compactCounts = false;
    VerifyProgressDlg* progressDialog = nullptr;
    FolderWalk* folderWalk = nullptr;
    QTimer runTextTimer;
    bool wasRunning = false;                  // at the last updateRunState
    bool selectFirstRow = false;              // set by openOnStart until a row is listed
    std::deque<ResultModel::Taken> removals;  // latest last, for Ctrl+Z
    RemovalConfirmation confirmRemoval;
    double listShare = 0.35;     // of the height, once the evidence shows
    double pictureShare = -1.0;  // of the evidence's width; -1 the pane's own
};
