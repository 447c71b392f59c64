#pragma once

#include <QDialog>
#include <functional>

#include "ui/ReportExport.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

// Asks what to export: format, paper size, all or selected rows, the
// examiner's name and the case reference.
class ExportDialog : public QDialog {
    Q_OBJECT

  public:
    ExportDialog(bool hasSelection, QWidget* parent = nullptr);

    ExportFormat format() const;
    PaperSize paper() const;
    bool selectedOnly() const;
    QString examiner() const;
    QString caseReference() const;

    QComboBox* formatBox = nullptr;
    QComboBox* paperBox = nullptr;
    QRadioButton* allRows = nullptr;
    QRadioButton* selectedRows = nullptr;
    QLineEdit* examinerEdit = nullptr;
    QLineEdit* caseEdit = nullptr;
};

// The whole Export action: the dialog, the file name, the writing, and a
// note with the written file's SHA-256.
// `prepare` completes the request (the case's custody log), `written` gets
// the written file's SHA-256.
struct ExportHooks {
    std::function<void(ExportRequest&)> prepare;
    std::function<void(const ExportRequest&, const QString& sha256)> written;
};
void runExport(QWidget* parent, const ResultModel& model, const std::vector<int>& selected,
               const ExportHooks& hooks = {});
