#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QTableWidget;

namespace nvr {
struct NewKey;
}

// Where the window keeps the key store file it was given (QSettings); empty:
// the default locations (signature/KeyStorePaths.h).
extern const char kKeyStoreSetting[];

// Reads the window's key store (the setting's file, else the default
// locations) and verifies with it from now on, the validation time kept.
// Throws KeyStoreError: a store that does not read is never half used.
void useWindowKeyStore();

// The trusted keys (docs/key-store.md): the store's keys listed, and keys
// added from a PEM file, retired and revoked through the same edits as
// `telvar-verify keys`, whose refusals are shown in their own words. The
// store file is chosen here too, and a store that does not read is refused.
class KeysDialog : public QDialog {
    Q_OBJECT

  public:
    explicit KeysDialog(QWidget* parent = nullptr);

    // The file the edits go to: the setting's, else the user's own store.
    QString storePath() const;
    // Each returns the core's words when it refuses, empty when done.
    // `key.pem` is read from `pemFile`.
    QString addKey(const QString& pemFile, nvr::NewKey key);
    QString retireKey(const QString& id, const QString& at);
    QString revokeKey(const QString& id, const QString& at, const QString& reason);
    // The store file to use from now on; the one before stays when it does not read.
    QString chooseStore(const QString& path);

  signals:
    // A key added, retired or revoked: the store file, its SHA-256 after, what changed.
    void keyEdited(const QString& storePath, const QString& sha256, const QString& detail);

  private:
    using Change = std::function<std::string(const std::string& text, const std::string& path)>;
    // Reads the store, changes it, writes it whole and verifies with it.
    // `detail` words the change from the store's text before and after.
    using Detail = std::function<QString(const std::string& before, const std::string& after,
                                         const std::string& path)>;
    QString apply(const Change& change, const Detail& detail);
    void refresh();
    QString selectedId() const;
    void askAdd();
    void askRetire();
    void askRevoke();
    void askStore();

    QLabel* storeLabel;
    QTableWidget* table;
    QLabel* errorLabel;
    QPushButton* retireButton;
    QPushButton* revokeButton;
};
