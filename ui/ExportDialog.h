#pragma once

#include <QDialog>
#include <functional>

#include "ui/ReportExport.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

// Asks what to export: format, paper size, all or selected rows, the
// examiner's name and the case reference. The format, paper, examiner and
// case start as they were last accepted (QSettings).
class ExportDialog : public QDialog {
    Q_OBJECT

  public:
    ExportDialog(bool hasSelection, QWidget* parent = nullptr);

    ExportFormat format() const;
    PaperSize paper() const;
    bool selectedOnly() const;
    QString examiner() const;
    QString caseReference() const;
    // Keeps the choices for the next export.
    void remember() const;

    QComboBox* formatBox = nullptr;
    QComboBox* paperBox = nullptr;
    QRadioButton* allRows = nullptr;
    QRadioButton* selectedRows = nullptr;
    QLineEdit* examinerEdit = nullptr;
    QLineEdit* caseEdit = nullptr;
};

// What the window adds to an export in a case: `prepare` completes the
// request (the case's custody log), `written` gets the written file's
// SHA-256.
struct ExportHooks {
    std::function<void(ExportRequest&)> prepare;
    std::function<void(const ExportRequest&, const QString& sha256)> written;
};

// The whole Export action: the dialog, the file name (in the folder of the
// last export), the writing, and a note with the written file's SHA-256.
void runExport(QWidget* parent, const ResultModel& model, const std::vector<int>& selected,
               const ExportHooks& hooks = {});

// Writes the export on a thread of its own while a progress dialog shows
// how far it has got and offers Cancel; the window is not blocked by it and
// keeps listing results meanwhile. Returns writeExport's text; `sha256`,
// when given, gets the written file's, taken on the same thread.
QString writeWithProgress(QWidget* parent, const std::vector<VerifyResult>& rows,
                          const ExportRequest& request, QString* sha256 = nullptr);
