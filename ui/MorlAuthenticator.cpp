#include "ui/MorlAuthenticator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QVBoxLayout>

#include "ui/AboutDlg.h"
#include "ui/NResultTree.h"
#include "ui/NToolButton.h"
#include "ui/RecordingDrop.h"
#include "verification/VerifyProgressDlg.h"

namespace {

const char* const kCountStyle = "color: white; padding: 10px; padding-right: 50px;";
const char* const kLastCountStyle = "color: white; padding: 10px; padding-right: 50px";

QWidget* plainRow(QWidget* parent, const char* styleSheet, QBoxLayout** layout) {
    auto* const row = new QWidget(parent);
    row->setStyleSheet(QString::fromLatin1(styleSheet));
    auto* const rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(0);
    *layout = rowLayout;
    return row;
}

QLabel* countLabel(QWidget* parent, const QString& name, const char* styleSheet) {
    auto* const label = new QLabel(parent);
    label->setObjectName(name);
    label->setStyleSheet(QString::fromLatin1(styleSheet));
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return label;
}

// The style sheet is text up to its first zero byte; without the resource
// the application keeps the default look.
void applyStyleSheet() {
    QFile sheet(QStringLiteral(":/qss/style.qss"));
    QByteArray text;
    if (sheet.open(QIODevice::ReadOnly)) {
        text = sheet.readAll();
    }
    const int end = text.indexOf('\0');
    if (end >= 0) {
        text.truncate(end);
    }
    qApp->setStyleSheet(QString::fromLatin1(text));
}

}  // namespace

MorlAuthenticator::MorlAuthenticator(QWidget* parent) : QMainWindow(parent) {
    auto* const central = new QWidget(this);
    auto* const root = new QVBoxLayout(central);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    headerWidget = buildHeader();
    resultTree = new NResultTree(this);
    updateSummary();
    root->addWidget(headerWidget);
    root->addWidget(resultTree);
    setCentralWidget(central);

    resize(1024, 600);
    applyStyleSheet();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app_logo")));

    connect(addButton, &NToolButton::released, this, &MorlAuthenticator::handleAddBtn);
    connect(deleteButton, &NToolButton::released, this, &MorlAuthenticator::handleDeleteBtn);
    connect(aboutButton, &NToolButton::released, this, &MorlAuthenticator::handleAboutBtn);

    progressDialog = new VerifyProgressDlg(this);
    connect(progressDialog, &VerifyProgressDlg::gotVerifyResult, this,
            &MorlAuthenticator::addVerifyResult);

    setAcceptDrops(true);
}

QWidget* MorlAuthenticator::buildHeader() {
    auto* const header = new QWidget(this);
    header->setStyleSheet(QStringLiteral("background-image:url(:/icons/bg)"));
    auto* const layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QBoxLayout* logoLayout = nullptr;
    QWidget* const logoRow =
        plainRow(header, "padding: 5px; background: transparent;", &logoLayout);
    logoLayout->setAlignment(Qt::AlignLeft);
    auto* const logo = new QLabel(logoRow);
    logo->setPixmap(QPixmap(QStringLiteral(":/icons/telvar_logo")));
    logo->setStyleSheet(QStringLiteral("background: transparent"));
    logoLayout->addWidget(logo);

    QBoxLayout* toolLayout = nullptr;
    QWidget* const toolRow = plainRow(header, "background: transparent;", &toolLayout);
    addButton = new NToolButton(tr("Add"), QIcon(QStringLiteral(":/icons/add0")),
                                QIcon(QStringLiteral(":/icons/add1")), header);
    deleteButton = new NToolButton(tr("Delete"), QIcon(QStringLiteral(":/icons/delete0")),
                                   QIcon(QStringLiteral(":/icons/delete1")), header);
    aboutButton = new NToolButton(tr("About"), QIcon(QStringLiteral(":/icons/about0")),
                                  QIcon(QStringLiteral(":/icons/about1")), header);
    // Takes the spare width, pushing the counts to the right edge.
    QLabel* const filler = countLabel(toolRow, QString(), kCountStyle);
    filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    totalLabel = countLabel(toolRow, QStringLiteral("totalLabel"), kCountStyle);
    successLabel = countLabel(toolRow, QStringLiteral("successLabel"), kLastCountStyle);
    failedLabel = countLabel(toolRow, QStringLiteral("failedLabel"), kLastCountStyle);
    toolLayout->addWidget(addButton);
    toolLayout->addWidget(deleteButton);
    toolLayout->addWidget(aboutButton);
    toolLayout->addWidget(filler);
    toolLayout->addWidget(totalLabel);
    toolLayout->addWidget(successLabel);
    toolLayout->addWidget(failedLabel);

    layout->addWidget(logoRow);
    layout->addWidget(toolRow);
    return header;
}

void MorlAuthenticator::updateSummary() {
    const int success = resultTree->successCount;
    const int failed = resultTree->failedCount;
    totalLabel->setText(tr("Total") + QStringLiteral(": %1").arg(success + failed));
    successLabel->setText(tr("Success") + QStringLiteral(": %1").arg(success));
    failedLabel->setText(tr("Failed") + QStringLiteral(": %1").arg(failed));
}

void MorlAuthenticator::handleAddBtn() {
    verifyFileList(QFileDialog::getOpenFileNames(this, tr("Open Telvar Surveillance Video File"),
                                                 QString(), tr("Matroska Files (*.mkv)")));
}

void MorlAuthenticator::handleDeleteBtn() {
    resultTree->removeSelected();
    updateSummary();
}

void MorlAuthenticator::handleAboutBtn() {
    auto* const about = new AboutDlg(this);
    // Closed dialogs would otherwise pile up under the window.
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
}

void MorlAuthenticator::addVerifyResult(const VerifyResult& result) {
    resultTree->addResult(result);
    updateSummary();
}

void MorlAuthenticator::verifyFileList(const QStringList& list) {
    if (progressDialog == nullptr || list.isEmpty()) {
        return;
    }
    progressDialog->verifyFiles(list);
    if (progressDialog->isVisible()) {
        return;
    }
    // Centred over the window; QRect::center halves with truncation.
    const QPoint centre = geometry().center();
    progressDialog->move(centre.x() - progressDialog->width() / 2,
                         centre.y() - progressDialog->height() / 2);
    progressDialog->show();
}

void MorlAuthenticator::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() != nullptr && acceptsRecordings(*event->mimeData())) {
        event->acceptProposedAction();
    }
}

void MorlAuthenticator::dropEvent(QDropEvent* event) {
    if (event->mimeData() == nullptr) {
        return;
    }
    const QStringList paths = droppedPaths(*event->mimeData());
    if (!paths.isEmpty()) {
        event->acceptProposedAction();
        verifyFileList(paths);
    }
}

void MorlAuthenticator::closeEvent(QCloseEvent* event) {
    // The current file stops at its next piece of data; waiting here means
    // no thread is left running while the program is torn down.
    progressDialog->stopVerification();
    QMainWindow::closeEvent(event);
}
