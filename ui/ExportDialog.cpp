#include "ui/ExportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "verification/CaseStore.h"

namespace {

// Where the export dialog keeps its choices.
const char* const kFormatKey = "export/format";
const char* const kPaperKey = "export/paper";
const char* const kExaminerKey = kExaminerSetting;
const char* const kCaseKey = "export/caseReference";
const char* const kFolderKey = "export/folder";

QString key(const char* name) {
    return QString::fromLatin1(name);
}

}  // namespace

ExportDialog::ExportDialog(bool hasSelection, QWidget* parent)
    : QDialog(parent, Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(tr("Export"));
    QPalette white = palette();
    white.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
    setPalette(white);

    formatBox = new QComboBox(this);
    formatBox->addItems({tr("PDF report"), tr("HTML report"), tr("CSV (one line per file)"),
                         tr("JSON (as telvar-verify --json)")});
    formatBox->setAccessibleName(tr("Format"));
    paperBox = new QComboBox(this);
    paperBox->addItems({tr("A4"), tr("Letter")});
    paperBox->setAccessibleName(tr("Paper size"));
    connect(formatBox, QOverload<int>::of(&QComboBox::currentIndexChanged), paperBox,
            [this](int index) { paperBox->setEnabled(index == 0); });
    allRows = new QRadioButton(tr("All rows"), this);
    selectedRows = new QRadioButton(tr("Selected rows"), this);
    selectedRows->setEnabled(hasSelection);
    (hasSelection ? selectedRows : allRows)->setChecked(true);
    auto* const scope = new QHBoxLayout;
    scope->addWidget(allRows);
    scope->addWidget(selectedRows);
    examinerEdit = new QLineEdit(this);
    examinerEdit->setAccessibleName(tr("Examiner"));
    caseEdit = new QLineEdit(this);
    caseEdit->setAccessibleName(tr("Case reference"));

    auto* const form = new QFormLayout;
    form->addRow(tr("&Format:"), formatBox);
    form->addRow(tr("&Paper:"), paperBox);
    form->addRow(tr("Rows:"), scope);
    form->addRow(tr("&Examiner:"), examinerEdit);
    form->addRow(tr("&Case reference:"), caseEdit);
    auto* const buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* const layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    const QSettings settings;
    const int format = settings.value(key(kFormatKey), 0).toInt();
    formatBox->setCurrentIndex(format >= 0 && format < formatBox->count() ? format : 0);
    paperBox->setCurrentIndex(settings.value(key(kPaperKey), 0).toInt() == 1 ? 1 : 0);
    examinerEdit->setText(settings.value(key(kExaminerKey)).toString());
    caseEdit->setText(settings.value(key(kCaseKey)).toString());
}

void ExportDialog::remember() const {
    QSettings settings;
    settings.setValue(key(kFormatKey), formatBox->currentIndex());
    settings.setValue(key(kPaperKey), paperBox->currentIndex());
    settings.setValue(key(kExaminerKey), examinerEdit->text());
    settings.setValue(key(kCaseKey), caseEdit->text());
}

ExportFormat ExportDialog::format() const {
    return static_cast<ExportFormat>(formatBox->currentIndex());
}

PaperSize ExportDialog::paper() const {
    return paperBox->currentIndex() == 1 ? PaperSize::Letter : PaperSize::A4;
}

bool ExportDialog::selectedOnly() const {
    return selectedRows->isChecked();
}

QString ExportDialog::examiner() const {
    return examinerEdit->text();
}

QString ExportDialog::caseReference() const {
    return caseEdit->text();
}

void runExport(QWidget* parent, const ResultModel& model, const std::vector<int>& selected,
               const ExportHooks& hooks) {
    if (model.rowCount() == 0) {
        QMessageBox::information(parent, QObject::tr("Export"),
                                 QObject::tr("There is nothing to export yet."));
        return;
    }
    // The window stays usable while an export is written; one at a time.
    static bool exporting = false;
    if (exporting) {
        QMessageBox::information(parent, QObject::tr("Export"),
                                 QObject::tr("An export is being written. Wait for it to end, or "
                                             "cancel it, before the next one."));
        return;
    }
    exporting = true;
    const auto done = qScopeGuard([] { exporting = false; });
    ExportDialog dialog(!selected.empty(), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    dialog.remember();
    ExportRequest request;
    request.format = dialog.format();
    request.paper = dialog.paper();
    request.examiner = dialog.examiner();
    request.caseReference = dialog.caseReference();
    if (dialog.selectedOnly()) {
        request.rows = selected;
    } else {
        for (int row = 0; row < model.rowCount(); ++row) {
            request.rows.push_back(row);
        }
    }
    const QString suffix = formatSuffix(request.format);
    QSettings settings;
    QString folder = settings.value(key(kFolderKey)).toString();
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::homePath();
    }
    request.path = QFileDialog::getSaveFileName(
        parent, QObject::tr("Export"), QDir(folder).filePath(QStringLiteral("report.") + suffix),
        QObject::tr("%1 files (*.%2)").arg(suffix.toUpper(), suffix));
    if (request.path.isEmpty()) {
        return;
    }
    // A typed suffix names the format; a name without one gets the chosen
    // format's, so the two always agree.
    if (const std::optional<ExportFormat> named = formatOfName(request.path)) {
        request.format = *named;
    } else {
        request.path += QLatin1Char('.') + suffix;
    }
    settings.setValue(key(kFolderKey), QFileInfo(request.path).absolutePath());
    if (hooks.prepare) {
        hooks.prepare(request);
    }
    QString sha256;
    const QString error =
        writeWithProgress(parent, exportRows(model, request.rows), request, &sha256);
    if (error == exportCancelled()) {
        return;
    }
    if (!error.isEmpty()) {
        QMessageBox::warning(parent, QObject::tr("Export"), error);
        return;
    }
    if (hooks.written) {
        hooks.written(request, sha256);
    }
    QMessageBox box(QMessageBox::Information, QObject::tr("Export"),
                    QObject::tr("Written to %1\n\nSHA-256 of the exported file:\n%2")
                        .arg(QDir::toNativeSeparators(request.path), sha256),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

QString writeWithProgress(QWidget* parent, const std::vector<VerifyResult>& rows,
                          const ExportRequest& request, QString* sha256) {
    ExportProgress progress;
    QString error;
    // The written file is hashed here too, off the window's thread.
    const std::unique_ptr<QThread> writer(QThread::create([&] {
        error = writeExport(rows, request, &progress);
        if (error.isEmpty() && sha256 != nullptr) {
            *sha256 = fileSha256(request.path);
        }
    }));
    QProgressDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("exportProgress"));
    dialog.setWindowTitle(QObject::tr("Export"));
    // As the verification's: the window goes on answering meanwhile.
    dialog.setWindowModality(Qt::NonModal);
    dialog.setRange(0, 1000);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(400);  // a small export comes and goes unseen
    const int count = static_cast<int>(rows.size());
    const auto show = [&] {
        const size_t total = progress.total.load();
        const size_t done = std::min(progress.done.load(), total);
        const double part = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0;
        dialog.setValue(static_cast<int>(part * 1000));
        dialog.setLabelText(QObject::tr("Writing %1: file %2 of %3")
                                .arg(QFileInfo(request.path).fileName())
                                .arg(std::min(count, static_cast<int>(part * count) + 1))
                                .arg(count));
    };
    show();
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&progress, &dialog] {
        progress.cancelled = true;
        dialog.setLabelText(QObject::tr("Cancelling…"));
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &dialog, show);
    QEventLoop loop;
    QObject::connect(writer.get(), &QThread::finished, &loop, &QEventLoop::quit);
    writer->start();
    tick.start(100);
    loop.exec();
    writer->wait();
    return error;
}

#include "moc_ExportDialog.cpp"
