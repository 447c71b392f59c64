#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

#include "verification/CaseRecorder.h"
#include "verification/CaseStore.h"

class NResultTree;
class QMenu;
class QMessageBox;
class QWidget;
struct ExportRequest;

// The window's case: the case file its results go into, and the Case
// button's menu (new, open, save as, recent cases, the custody log, verify
// again). Without a case opened the window works in a temporary one; on
// close, one that holds results is offered for saving.
class CaseMenu : public QObject {
    Q_OBJECT

  public:
    CaseMenu(QWidget* window, NResultTree* tree);
    ~CaseMenu() override;

    QMenu* menu() const { return caseMenu; }
    // Null only when not even a temporary case could be made.
    CaseStore* store() const { return caseStore.get(); }
    // "REFERENCE (file.telvarcase)", or "Unsaved case".
    QString title() const;

    // The case to work in from now on (tests and the command line).
    bool openCase(const QString& path);
    bool newCase(const QString& path, const QString& reference);
    bool saveCaseAs(const QString& path);

    // Stores a result on the recorder's thread; resultReady lists it once
    // it is on disk (or, when it cannot be stored, with the reason shown).
    void record(const VerifyResult& result);
    // The run is over: what waits is stored without waiting for more.
    void runEnded();
    // Whether a verification run is going on: the case is not switched
    // under it.
    std::function<bool()> running;
    // False, with the reason shown, when the case cannot record results.
    bool mayVerify();
    // The list's removal and its undo, as custody events.
    void recordRemoved(const QList<QByteArray>& paths);
    void recordRestored(const QList<QByteArray>& paths);
    // Entries an intake skipped, with their reasons, as a custody note.
    void recordSkipped(const QStringList& lines);
    // Waits for the writes handed to the recorder (those above and the
    // results), before the case is read for the user.
    void settle() const;
    // A report made from the case names its custody log as it stands.
    void prepareExport(ExportRequest& request) const;
    // The export's event and the seal after it, written by the recorder's
    // thread (settle() waits for them).
    void recordExport(const ExportRequest& request, const QString& sha256);
    // A still from the player, with the SHA-256 of its PNG and of its record.
    void recordStill(const QString& path, const QString& pngSha256, const QString& recordSha256);

    // A key added, retired or revoked in the Keys dialog: its custody event
    // and the seal after it, written by the recorder's thread.
    void recordKeyEdit(const QString& storePath, const QString& sha256, const QString& detail);

    enum class UnsavedChoice { Save, Discard, Cancel };
    // Answers the offer to save a temporary case on close; when unset, a
    // message box asks, and the window is closed again once it is answered.
    std::function<UnsavedChoice()> unsavedChoice;
    // Where to save or make a case; when unset, a file dialog asks.
    std::function<QString(const QString& title)> casePath;
    // Whether a case's file is on read-only media (replaceable for tests).
    CaseStore::ReadOnlyMedia readOnlyMedia = onReadOnlyMedia;
    // True when the window may close now.
    bool mayClose(const std::function<void()>& closeAgain);

    // Recent cases, newest first, as QSettings keeps them.
    static QStringList recentCases();

    // On start: offers the unsaved case of a window that ended without
    // closing (killed, or its machine stopped), when there is one.
    void offerRecovery();
    enum class RecoveryChoice { Recover, Discard, Later };
    // Answers that offer; when unset, a message box asks.
    std::function<RecoveryChoice(const QString& folder)> recoveryChoice;

  signals:
    void resultReady(const VerifyResult& result);
    // Every result handed to record() so far is ready.
    void recordsCaughtUp();
    void caseChanged();
    void verifyAgain(const QStringList& paths);
    void showLog();

  private:
    // `failure` words a failure to record it, "%1" standing for the reason.
    void submitExport(const QString& format, const QString& path, const QByteArray& sha256,
                      const QByteArray& record, const QString& failure);
    // `write` on the recorder's thread, or here without one; a failure is
    // shown worded by `failure`, "%1" standing for the reason.
    void submitCaseWrite(const CaseRecorder::CaseWrite& write, const QString& failure);
    void fillMenu();
    void switchTo(std::unique_ptr<CaseStore> store, bool keepRows);
    // After a case failed to open: a new temporary case, so there is no
    // doubt the failed one is not open and nothing goes into the one before.
    void startAfresh(const QString& path, const QString& why);
    void actOnRecovery(const QString& folder, RecoveryChoice choice);
    bool offerToSave(const std::function<void()>& then);
    QString askPath(const QString& title, bool create);
    void warn(const QString& text) const;
    void openFromDialog();
    void newFromDialog();
    void saveFromDialog();
    void showCaseLog();
    bool mayLeaveCase();
    void startRecorder();
    void stopRecorder();

    QWidget* window;
    NResultTree* tree;
    QMenu* caseMenu;
    std::unique_ptr<CaseStore> caseStore;
    std::unique_ptr<CaseRecorder> recorder;  // for a writable case
    bool discarded = false;        // the user chose to close without saving
    bool recordingRefused = false;  // told once per case
    QPointer<QMessageBox> pendingOffer;  // one offer at a time, however often asked
};
