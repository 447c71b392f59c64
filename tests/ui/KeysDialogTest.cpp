// The Keys dialog: its edits are the core's (the same refusals, word for
// word), each one made while a case is open is one custody event, and a
// store that does not read is refused with the one before kept.
#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "casefile/CaseError.h"
#include "report/Escape.h"
#include "signature/KeyStore.h"
#include "signature/KeyStoreEdit.h"
#include "signature/KeysInUse.h"
#include "support/RecorderCrypto.h"
#include "ui/CaseMenu.h"
#include "ui/KeysDialog.h"
#include "ui/MorlAuthenticator.h"

namespace {

void writeText(const QString& path, const std::string& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

std::string privatePem(EVP_PKEY* key) {
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

int keyEvents(CaseMenu& cases) {
    cases.settle();
    int count = 0;
    for (const CustodyEvent& event : cases.store()->events()) {
        count += event.kind == EventKind::KeyStoreChanged ? 1 : 0;
    }
    return count;
}

// The window's store and setting put back for the other suites.
class KeysDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QSettings().setValue(QLatin1String(kKeyStoreSetting), store);
    }
    void TearDown() override {
        QSettings().remove(QLatin1String(kKeyStoreSetting));
        nvr::setKeysInUse({});
    }
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("keys.toml"));
};

}  // namespace

TEST_F(KeysDialogTest, EditsThroughTheCoreAsCustodyEventsAndRefusesInItsWords) {
    const recorder::PkeyPtr key(EVP_RSA_gen(2048));
    const QString pem = dir.filePath(QStringLiteral("north.pem"));
    writeText(pem, recorder::publicKeyPem(key.get()));
    const QString pasted = dir.filePath(QStringLiteral("pasted.pem"));
    writeText(pasted, privatePem(key.get()));

    MorlAuthenticator window;
    CaseMenu& cases = *window.caseMenu();
    ASSERT_TRUE(cases.newCase(dir.filePath(QStringLiteral("c.telvarcase")), QStringLiteral("K-1")));
    const int before = keyEvents(cases);

    // Opened as the user opens it (Ctrl+K), so the window's wiring is tested.
    QString added, refused, noReason, revoked;
    std::string coreWords, storeText, storeAfterRefusal;
    bool reachable = true;
    QTimer::singleShot(0, &window, [&] {
        auto* const dialog = window.findChild<KeysDialog*>();
        ASSERT_NE(dialog, nullptr);
        for (QWidget* control : dialog->findChildren<QWidget*>()) {
            auto* const button = qobject_cast<QPushButton*>(control);
            if (button != nullptr || qobject_cast<QTableWidget*>(control) != nullptr) {
                reachable = reachable && (control->focusPolicy() & Qt::TabFocus) != 0 &&
                            !(button ? button->text() : control->accessibleName()).isEmpty();
            }
        }
        nvr::NewKey fields;
        fields.label = "North site";
        fields.validFrom = "2026-01-01 00:00:00";
        added = dialog->addKey(pem, fields);
        fields.label = "Pasted";
        storeText = nvr::readKeyStoreText(store.toStdString());
        try {
            nvr::NewKey same = fields;
            same.pem = privatePem(key.get());
            nvr::withKeyAdded(storeText, store.toStdString(), same, "now");
        } catch (const nvr::KeyStoreError& error) {
            coreWords = displayText(error.what());
        }
        refused = dialog->addKey(pasted, fields);
        storeAfterRefusal = nvr::readKeyStoreText(store.toStdString());
        // The newest key is the one added (the built-in keys come first).
        const QString id = QString::fromStdString(nvr::keysInUse().store->keys().back().id);
        noReason = dialog->revokeKey(id, QStringLiteral("2026-06-01 00:00:00"), QString());
        revoked = dialog->revokeKey(id, QStringLiteral("2026-06-01 00:00:00"),
                                    QStringLiteral("stolen"));
        dialog->accept();
    });
    QAction* const keysAction = window.findChild<QAction*>(QStringLiteral("keysAction"));
    ASSERT_NE(keysAction, nullptr);
    EXPECT_EQ(keysAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
    EXPECT_FALSE(keysAction->text().isEmpty());
    keysAction->trigger();
    EXPECT_TRUE(reachable);

    EXPECT_EQ(added, QString());
    const std::shared_ptr<const nvr::KeyStore> inUse = nvr::keysInUse().store;
    ASSERT_TRUE(inUse);
    const auto north = std::find_if(inUse->keys().begin(), inUse->keys().end(),
                                    [](const nvr::TrustedKey& k) { return k.label == "North site"; });
    ASSERT_NE(north, inUse->keys().end());
    EXPECT_EQ(north->validFrom, "2026-01-01 00:00:00");
    EXPECT_EQ(noReason, QStringLiteral("a revocation needs --at and --reason"));
    EXPECT_EQ(revoked, QString());
    EXPECT_EQ(north->status, nvr::KeyStatus::Revoked);
    EXPECT_EQ(north->reason, "stolen");

    // The private key was refused with the words the core (and so
    // `telvar-verify keys add`) gives, and nothing was written or recorded.
    ASSERT_FALSE(coreWords.empty());
    EXPECT_EQ(refused.toStdString(), coreWords);
    EXPECT_EQ(storeAfterRefusal, storeText);

    // One event for each edit made (the add and the revocation), none for
    // a refusal, and the log still holds.
    EXPECT_EQ(keyEvents(cases), before + 2);
    const AuditResult audit = cases.store()->audit();
    EXPECT_TRUE(audit.intact()) << audit.problem;
}

TEST_F(KeysDialogTest, AStoreThatDoesNotReadIsRefusedAndTheOneBeforeStays) {
    writeText(store, "");
    KeysDialog dialog;
    ASSERT_EQ(dialog.chooseStore(store), QString());
    const std::shared_ptr<const nvr::KeyStore> before = nvr::keysInUse().store;
    const QString broken = dir.filePath(QStringLiteral("broken.toml"));
    writeText(broken, "[[key]]\nlabel = \"x\"\n\n[[key]\n");
    std::string coreWords;
    try {
        nvr::KeyStore::load({broken.toStdString()});
    } catch (const nvr::KeyStoreError& error) {
        coreWords = displayText(error.what());
    }
    ASSERT_NE(coreWords.find("broken.toml:4:"), std::string::npos) << coreWords;
    EXPECT_EQ(dialog.chooseStore(broken).toStdString(), coreWords);
    EXPECT_EQ(nvr::keysInUse().store, before);
    EXPECT_EQ(QSettings().value(QLatin1String(kKeyStoreSetting)).toString(), store);
    EXPECT_EQ(dialog.storePath(), store);
}
