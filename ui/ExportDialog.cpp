#include "ui/ExportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

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
    ExportDialog dialog(!selected.empty(), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
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
    request.path = QFileDialog::getSaveFileName(
        parent, QObject::tr("Export"), QDir::home().filePath(QStringLiteral("report.") + suffix),
        QObject::tr("%1 files (*.%2)").arg(suffix.toUpper(), suffix));
    if (request.path.isEmpty()) {
        return;
    }
    if (hooks.prepare) {
        hooks.prepare(request);
    }
    const QString error = writeExport(model, request);
    if (!error.isEmpty()) {
        QMessageBox::warning(parent, QObject::tr("Export"), error);
        return;
    }
    const QString sha256 = fileSha256(request.path);
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
