#pragma once

#include <QByteArray>
#include <QDialog>
#include <QStringList>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// A folder's entries as the Add dialog lists them: its subfolders, then the
// files named as recordings (isRecordingName), each group by the names'
// bytes; hidden entries left out. Read by bytes, so a name that is not
// UTF-8 is listed like any other. Empty with `error` set when the folder
// cannot be read. Any thread.
struct FolderEntries {
    std::vector<QByteArray> folders;
    std::vector<QByteArray> recordings;
    QString error;
};
FolderEntries listFolder(const QByteArray& folder);

// The Add dialog (Ctrl+O). Qt's own file dialog leaves out every name that
// is not UTF-8, so such a recording could not be added by it at all: this
// one lists a folder by its names' bytes, on a thread of its own, and hands
// back each chosen path with its exact bytes (PathBytes.h).
class RecordingPicker : public QDialog {
    Q_OBJECT

  public:
    explicit RecordingPicker(const QString& folder, QWidget* parent = nullptr);
    // Waits for the listings still being read.
    ~RecordingPicker() override;

    // Lists `folder` (a path by its bytes) in place of the one shown.
    void openFolder(const QString& folder);
    QString folder() const { return shownFolder; }
    // Whether a listing is being read.
    bool listing() const { return answered != requests; }
    // The chosen recordings, paths by their bytes, in the list's order.
    QStringList selectedPaths() const;
    QListWidget* entries() const { return list; }

    // Asks for recordings, starting in the folder chosen last; empty when
    // cancelled.
    static QStringList getRecordings(QWidget* parent);

  private:
    void listed(int request, const QByteArray& folder, const FolderEntries& found);
    void openItem(QListWidgetItem* item);
    void goUp();
    void accept() override;

    QLineEdit* place = nullptr;
    QListWidget* list = nullptr;
    QLabel* status = nullptr;
    QDialogButtonBox* buttons = nullptr;
    QString shownFolder;
    int requests = 0;  // a listing for a folder left meanwhile is dropped
    int answered = 0;  // the request last listed
};
