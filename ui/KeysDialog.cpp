#include "ui/KeysDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "report/Escape.h"
#include "report/ReportContext.h"
#include "signature/KeyStore.h"
#include "signature/KeyStoreEdit.h"
#include "signature/KeyStorePaths.h"
#include "signature/KeysInUse.h"
#include "signature/Sha256.h"
#include "verification/PathBytes.h"

const char kKeyStoreSetting[] = "keys/store";

namespace {

QString settingStore() {
    return QSettings().value(QLatin1String(kKeyStoreSetting)).toString();
}

std::vector<std::string> storesOf(const QString& chosen) {
    return chosen.isEmpty() ? nvr::defaultKeyStores()
                            : std::vector<std::string>{pathBytes(chosen).toStdString()};
}

// Sets `paths` in use, the validation time kept. Throws KeyStoreError.
void use(const std::vector<std::string>& paths) {
    nvr::KeysInUse keys = nvr::keysInUse();
    keys.store = paths.empty() ? nullptr
                               : std::make_shared<const nvr::KeyStore>(nvr::KeyStore::load(paths));
    nvr::setKeysInUse(std::move(keys));
}

QString shown(const std::string& text) {
    return QString::fromStdString(displayText(text));
}

// "YYYY-MM-DD hh:mm:ss UTC" of the clock, for the comment above an added key.
std::string nowText() {
    const std::string now = utcNowText();
    return now.substr(0, 10) + " " + now.substr(11, 8) + " UTC";
}

std::string hashOrNone(const std::string& text) {
    return text.empty() ? std::string("none") : sha256Hex(text.data(), text.size());
}

// A small form of labelled fields; `accept` returns the refusal to show,
// and the form stays open until it returns none or is cancelled.
struct Field {
    QString label;
    const char* name;
    QLineEdit* edit = nullptr;
};

void askForm(QWidget* parent, const QString& title, std::vector<Field>& fields,
             const std::function<QString()>& accept, QWidget* extra = nullptr) {
    QDialog form(parent);
    form.setWindowTitle(title);
    auto* const layout = new QFormLayout(&form);
    for (Field& field : fields) {
        field.edit = new QLineEdit(&form);
        field.edit->setObjectName(QString::fromLatin1(field.name));
        field.edit->setAccessibleName(QString(field.label).remove(QLatin1Char('&')));
        auto* const label = new QLabel(field.label, &form);
        label->setBuddy(field.edit);
        layout->addRow(label, field.edit);
    }
    if (extra != nullptr) {
        extra->setParent(&form);
        layout->addRow(extra);
    }
    auto* const error = new QLabel(&form);
    error->setObjectName(QStringLiteral("formError"));
    error->setWordWrap(true);
    error->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addRow(error);
    auto* const buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &form);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &form, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &form, [&] {
        const QString refusal = accept();
        if (refusal.isEmpty()) {
            form.accept();
        } else {
            error->setText(refusal);
        }
    });
    form.exec();
}

}  // namespace

void useWindowKeyStore() {
    use(storesOf(settingStore()));
}

KeysDialog::KeysDialog(QWidget* parent)
    : QDialog(parent),
      storeLabel(new QLabel(this)),
      table(new QTableWidget(this)),
      errorLabel(new QLabel(this)),
      retireButton(new QPushButton(tr("&Retire..."), this)),
      revokeButton(new QPushButton(tr("Re&voke..."), this)) {
    setObjectName(QStringLiteral("keysDialog"));
    setWindowTitle(tr("Trusted keys"));
    storeLabel->setObjectName(QStringLiteral("storeLabel"));
    storeLabel->setWordWrap(true);
    storeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    table->setObjectName(QStringLiteral("keysTable"));
    table->setAccessibleName(tr("Trusted keys"));
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels(
        {tr("Id"), tr("Label"), tr("Recorders"), tr("Valid"), tr("Status")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setTabKeyNavigation(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->setWordWrap(false);
    errorLabel->setObjectName(QStringLiteral("errorLabel"));
    errorLabel->setWordWrap(true);
    errorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* const addButton = new QPushButton(tr("&Add from PEM..."), this);
    auto* const storeButton = new QPushButton(tr("Store &file..."), this);
    auto* const closeButton = new QPushButton(tr("Close"), this);
    addButton->setObjectName(QStringLiteral("addKeyButton"));
    retireButton->setObjectName(QStringLiteral("retireKeyButton"));
    revokeButton->setObjectName(QStringLiteral("revokeKeyButton"));
    storeButton->setObjectName(QStringLiteral("storeFileButton"));
    connect(addButton, &QPushButton::clicked, this, &KeysDialog::askAdd);
    connect(retireButton, &QPushButton::clicked, this, &KeysDialog::askRetire);
    connect(revokeButton, &QPushButton::clicked, this, &KeysDialog::askRevoke);
    connect(storeButton, &QPushButton::clicked, this, &KeysDialog::askStore);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(table, &QTableWidget::itemSelectionChanged, this, [this] {
        const bool chosen = !selectedId().isEmpty();
        retireButton->setEnabled(chosen);
        revokeButton->setEnabled(chosen);
    });

    auto* const buttons = new QHBoxLayout;
    for (QPushButton* button : {addButton, retireButton, revokeButton, storeButton}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    auto* const layout = new QVBoxLayout(this);
    layout->addWidget(storeLabel);
    layout->addWidget(table, 1);
    layout->addWidget(errorLabel);
    layout->addLayout(buttons);
    resize(900, 420);
    refresh();
}

QString KeysDialog::storePath() const {
    const QString chosen = settingStore();
    return chosen.isEmpty() ? pathFromBytes(QByteArray::fromStdString(nvr::userKeyStorePath())) : chosen;
}

void KeysDialog::refresh() {
    const std::shared_ptr<const nvr::KeyStore> store = nvr::keysInUse().store;
    const nvr::KeyStore builtIn = store ? nvr::KeyStore() : nvr::KeyStore::builtIn();
    const nvr::KeyStore& shownStore = store ? *store : builtIn;
    storeLabel->setText(tr("Key store in use: %1, SHA-256 %2. Edits go to %3.")
                            .arg(shown(shownStore.description()),
                                 shownStore.sha256().empty()
                                     ? tr("none")
                                     : QString::fromStdString(shownStore.sha256()),
                                 shown(pathBytes(storePath()).toStdString())));
    table->setRowCount(static_cast<int>(shownStore.keys().size()));
    int row = 0;
    for (const nvr::TrustedKey& key : shownStore.keys()) {
        std::string recorders;
        for (const std::string& serial : key.recorders) {
            recorders += (recorders.empty() ? "" : ", ") + serial;
        }
        std::string status = nvr::keyStatusCode(key.status);
        if (key.status == nvr::KeyStatus::Revoked) {
            status += " at " + key.revokedAt + ": " + key.reason;
        }
        const QString cells[] = {QString::fromStdString(key.id), shown(key.label),
                                 recorders.empty() ? tr("any") : shown(recorders),
                                 shown(nvr::validityWindowText(key)), shown(status)};
        for (int column = 0; column < 5; ++column) {
            auto* const item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            table->setItem(row, column, item);
        }
        ++row;
    }
    table->resizeColumnsToContents();
    // An id is long and alike at both ends: shortened in its middle, whole
    // in its tooltip, so the status stays in view.
    table->setColumnWidth(0, std::min(table->columnWidth(0), fontMetrics().averageCharWidth() * 28));
    retireButton->setEnabled(!selectedId().isEmpty());
    revokeButton->setEnabled(!selectedId().isEmpty());
}

QString KeysDialog::selectedId() const {
    const QList<QTableWidgetItem*> items = table->selectedItems();
    return items.isEmpty() ? QString() : table->item(items.front()->row(), 0)->text();
}

QString KeysDialog::apply(const Change& change, const Detail& detail) {
    const QString path = storePath();
    const std::string bytes = pathBytes(path).toStdString();
    try {
        const std::string before = nvr::readKeyStoreText(bytes);
        const std::string after = change(before, bytes);
        const QString what = detail(before, after, bytes) + QStringLiteral("; store was ") +
                             QString::fromStdString(hashOrNone(before));
        nvr::writeKeyStoreText(bytes, after);
        // Once the file has changed the case hears of it, whatever follows.
        emit keyEdited(path, QString::fromStdString(sha256Hex(after.data(), after.size())), what);
        // Read back from the file as a run would read it.
        use(storesOf(settingStore()));
        refresh();
        errorLabel->clear();
        return QString();
    } catch (const nvr::KeyStoreError& error) {
        const QString refusal = shown(error.what());
        errorLabel->setText(refusal);
        return refusal;
    }
}

QString KeysDialog::addKey(const QString& pemFile, nvr::NewKey key) {
    QFile file(pemFile);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString refusal = tr("%1: cannot be read").arg(pemFile);
        errorLabel->setText(refusal);
        return refusal;
    }
    // A key file is small; a bigger one is not a key and the core says so.
    key.pem = file.read(nvr::kMaxKeyStoreBytes).toStdString();
    const std::string label = key.label;
    return apply(
        [&key](const std::string& text, const std::string& path) {
            return nvr::withKeyAdded(text, path, key, nowText());
        },
        [&label](const std::string& before, const std::string& after, const std::string& path) {
            // The id the store computed: the key its text did not hold before.
            const nvr::KeyStore was = nvr::KeyStore::parse(before, path);
            const nvr::KeyStore is = nvr::KeyStore::parse(after, path);
            std::set<std::string> known;
            for (const nvr::TrustedKey& old : was.keys()) {
                known.insert(old.id);
            }
            std::string id;
            for (const nvr::TrustedKey& now : is.keys()) {
                if (known.count(now.id) == 0) {
                    id = now.id;
                }
            }
            return QStringLiteral("added %1 (%2)")
                .arg(QString::fromStdString(id), QString::fromStdString(label));
        });
}

QString KeysDialog::retireKey(const QString& id, const QString& at) {
    return apply(
        [&](const std::string& text, const std::string& path) {
            return nvr::withKeyRetired(text, path, id.toStdString(), at.toStdString());
        },
        [&](const std::string&, const std::string&, const std::string&) {
            return at.isEmpty() ? QStringLiteral("retired %1").arg(id)
                                : QStringLiteral("retired %1 at %2").arg(id, at);
        });
}

QString KeysDialog::revokeKey(const QString& id, const QString& at, const QString& reason) {
    return apply(
        [&](const std::string& text, const std::string& path) {
            return nvr::withKeyRevoked(text, path, id.toStdString(), at.toStdString(),
                                       reason.toStdString());
        },
        [&](const std::string&, const std::string&, const std::string&) {
            return QStringLiteral("revoked %1 at %2: %3").arg(id, at, reason);
        });
}

QString KeysDialog::chooseStore(const QString& path) {
    try {
        use(storesOf(path));
    } catch (const nvr::KeyStoreError& error) {
        const QString refusal = shown(error.what());
        errorLabel->setText(tr("%1 (the store before stays in use)").arg(refusal));
        return refusal;
    }
    QSettings().setValue(QLatin1String(kKeyStoreSetting), path);
    errorLabel->clear();
    refresh();
    return QString();
}

void KeysDialog::askAdd() {
    std::vector<Field> fields = {{tr("&PEM file:"), "pemEdit"},
                                 {tr("&Label:"), "labelEdit"},
                                 {tr("Re&corder serial:"), "recorderEdit"},
                                 {tr("Valid &from:"), "fromEdit"},
                                 {tr("Valid &until:"), "untilEdit"}};
    auto* const browse = new QPushButton(tr("&Browse for the PEM file..."));
    browse->setObjectName(QStringLiteral("browsePemButton"));
    connect(browse, &QPushButton::clicked, this, [this, &fields] {
        const QString file = QFileDialog::getOpenFileName(
            this, tr("Public key"), QString(), tr("PEM files (*.pem);;All files (*)"));
        if (!file.isEmpty()) {
            fields[0].edit->setText(file);
        }
    });
    askForm(this, tr("Add a key"), fields, [this, &fields] {
        nvr::NewKey key;
        key.label = fields[1].edit->text().toStdString();
        if (!fields[2].edit->text().isEmpty()) {
            key.recorders.push_back(fields[2].edit->text().toStdString());
        }
        key.validFrom = fields[3].edit->text().toStdString();
        key.validUntil = fields[4].edit->text().toStdString();
        return addKey(fields[0].edit->text(), key);
    }, browse);
}

void KeysDialog::askRetire() {
    const QString id = selectedId();
    std::vector<Field> fields = {{tr("Valid &until (empty: as it stands):"), "atEdit"}};
    askForm(this, tr("Retire %1").arg(id), fields,
            [&] { return retireKey(id, fields[0].edit->text()); });
}

void KeysDialog::askRevoke() {
    const QString id = selectedId();
    std::vector<Field> fields = {{tr("Revoked &at:"), "atEdit"}, {tr("&Reason:"), "reasonEdit"}};
    askForm(this, tr("Revoke %1").arg(id), fields, [&] {
        return revokeKey(id, fields[0].edit->text(), fields[1].edit->text());
    });
}

void KeysDialog::askStore() {
    const QString file = QFileDialog::getOpenFileName(this, tr("Key store"), storePath(),
                                                      tr("Key stores (*.toml);;All files (*)"));
    if (!file.isEmpty()) {
        chooseStore(file);
    }
}

#include "moc_KeysDialog.cpp"
