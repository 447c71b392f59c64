#include "ui/AboutDlg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include "casefile/CaseError.h"
#include "casefile/ExaminerKey.h"
#include "report/Escape.h"
#include "signature/KeysInUse.h"
#include "verification/CaseStore.h"

namespace {

// The window's keys, as a user looks them up; the window's own shortcuts
// are checked against this list by the tests.
struct KeyLine {
    const char* keys;
    const char* what;
};
constexpr KeyLine kKeys[] = {
    {"Ctrl+O", QT_TRANSLATE_NOOP("AboutDlg", "Add files")},
    {"Ctrl+Shift+O", QT_TRANSLATE_NOOP("AboutDlg", "Add a folder")},
    {"Arrows, Ctrl+A", QT_TRANSLATE_NOOP("AboutDlg", "Select rows")},
    {"Enter", QT_TRANSLATE_NOOP("AboutDlg", "Open the evidence of the selection")},
    {"Delete", QT_TRANSLATE_NOOP("AboutDlg", "Remove the selected rows")},
    {"Ctrl+Z", QT_TRANSLATE_NOOP("AboutDlg", "Put the removed rows back")},
    {"Ctrl+C", QT_TRANSLATE_NOOP("AboutDlg", "Copy the selected rows or evidence text")},
    {"Ctrl+E", QT_TRANSLATE_NOOP("AboutDlg", "Export a report")},
    {"Ctrl+R", QT_TRANSLATE_NOOP("AboutDlg", "Verify the selected rows again")},
    {"Ctrl+Shift+R", QT_TRANSLATE_NOOP("AboutDlg", "Verify the files a cancelled run left")},
    {"Ctrl+N", QT_TRANSLATE_NOOP("AboutDlg", "New case")},
    {"Ctrl+Alt+O", QT_TRANSLATE_NOOP("AboutDlg", "Open a case")},
    {"Ctrl+Shift+S", QT_TRANSLATE_NOOP("AboutDlg", "Save the case as")},
    {"Ctrl+L", QT_TRANSLATE_NOOP("AboutDlg", "The case's custody log")},
    {"F5", QT_TRANSLATE_NOOP("AboutDlg", "Verify the whole case again")},
    {"Ctrl+K", QT_TRANSLATE_NOOP("AboutDlg", "The trusted keys: list, add, retire, revoke")},
    {"Ctrl+Shift+P", QT_TRANSLATE_NOOP("AboutDlg", "Play the selected recording frame by frame")},
    {"F1", QT_TRANSLATE_NOOP("AboutDlg", "This box")},
    {"Tab", QT_TRANSLATE_NOOP("AboutDlg", "Move to the next control")},
    {"Arrows, Enter",
     QT_TRANSLATE_NOOP("AboutDlg", "On the timeline: step through it, show a span")},
};

QString trAbout(const char* text) {
    return QCoreApplication::translate("AboutDlg", text);
}

QWidget* keysTable(QWidget* parent) {
    auto* const table = new QWidget(parent);
    table->setObjectName(QStringLiteral("keysTable"));
    auto* const grid = new QGridLayout(table);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(2);
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (const KeyLine& line : kKeys) {
        auto* const keys = new QLabel(QString::fromLatin1(line.keys), table);
        keys->setObjectName(QStringLiteral("keys"));
        QFont bold = keys->font();
        bold.setBold(true);
        keys->setFont(bold);
        grid->addWidget(keys, row, 0);
        auto* const what = new QLabel(trAbout(line.what), table);
        what->setWordWrap(true);
        grid->addWidget(what, row, 1);
        ++row;
    }
    return table;
}

// Text from the case file in the display form every output uses.
QString shown(const std::string& bytes) {
    return QString::fromStdString(displayText(bytes));
}

}  // namespace

QString AboutDlg::caseDescription(const QString& title, const CaseStore& store) {
    QString text = trAbout("Case: %1").arg(title);
    try {
        text += QStringLiteral("\n") + trAbout("Custody log: %1").arg(shown(headText(store.head())));
    } catch (const CaseError& error) {
        text += QStringLiteral("\n") +
                trAbout("Custody log: its head cannot be read: %1").arg(shown(error.what()));
    }
    const std::shared_ptr<const ExaminerKey> key = windowExaminerKey();
    text += QStringLiteral("\n") +
            (key ? trAbout("Examiner's key: SHA-256 %1 (Ed25519 %2)")
                       .arg(QString::fromStdString(key->fingerprint()),
                            QString::fromStdString(key->publicKeyHex()))
                 : trAbout("Examiner's key: none could be read or made; this window's events are "
                      "not sealed"));
    const std::shared_ptr<const nvr::KeyStore> keys = nvr::keysInUse().store;
    text += QStringLiteral("\n") +
            (keys ? trAbout("Key store: %1, SHA-256 %2")
                        .arg(shown(keys->description()), QString::fromStdString(keys->sha256()))
                   : trAbout("Key store: built-in keys only"));
    return text;
}

AboutDlg::AboutDlg(QWidget* parent, const QString& caseText)
    : QDialog(parent, Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      logoLabel(new QLabel(this)),
      infoLabel(new QLabel(this)) {
    setWindowTitle(trAbout("About"));
    setFixedSize(440, 320);
    setWindowModality(Qt::WindowModal);

    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
    setPalette(pal);

    const QString text = QGuiApplication::applicationDisplayName() + QStringLiteral("\n\n") +
                         trAbout("Version: ") + QCoreApplication::applicationVersion() +
                         QStringLiteral("\n\n") +
                         trAbout("Copyright © %1").arg(QCoreApplication::organizationName());

    auto* const layout = new QVBoxLayout(this);
    auto* const top = new QHBoxLayout;
    logoLabel->setPixmap(QPixmap(QStringLiteral(":/icons/app_logo")));
    logoLabel->setFixedSize(80, 80);
    logoLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    top->addWidget(logoLabel);
    infoLabel->setText(text);
    // The dialog has a fixed size: a long name or organisation wraps rather
    // than being cut off.
    infoLabel->setWordWrap(true);
    top->addWidget(infoLabel, 1);
    layout->addLayout(top);
    layout->addSpacing(8);
    if (!caseText.isEmpty()) {
        // Hashes and keys are long words: wrapped anywhere, copied whole.
        auto* const caseBox = new QPlainTextEdit(caseText, this);
        caseBox->setObjectName(QStringLiteral("caseHead"));
        caseBox->setReadOnly(true);
        caseBox->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        caseBox->setFrameShape(QFrame::NoFrame);
        caseBox->setFixedHeight(fontMetrics().lineSpacing() * 6 + 8);
        layout->addWidget(caseBox);
        layout->addSpacing(8);
    }
    // The box keeps its size; the list of keys scrolls when it outgrows it.
    auto* const keys = new QScrollArea(this);
    keys->setFrameShape(QFrame::NoFrame);
    keys->setWidgetResizable(true);
    keys->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    keys->setWidget(keysTable(keys));
    keys->setBackgroundRole(QPalette::Window);
    layout->addWidget(keys, 1);
}

#include "moc_AboutDlg.cpp"
