#pragma once

#include <QDialog>

class CaseStore;
class QLabel;

// The application's logo, display name, version and copyright, all read from
// the application object, the case the window works in with its custody
// log's head and the examiner's key, and the window's keys.
class AboutDlg : public QDialog {
    Q_OBJECT

  public:
    // `caseText` (caseDescription) is shown selectable, so a head can be
    // copied and kept elsewhere; none without a case.
    explicit AboutDlg(QWidget* parent = nullptr, const QString& caseText = QString());

  // The case as the title names it, its head as every case run prints it
  // ("N custody events; SHA-256 of the newest …; sealed by …"), and the
  // fingerprint and public key that seal this window's events.
  static QString caseDescription(const QString& title, const CaseStore& store);

  private:
    QLabel* logoLabel;
    QLabel* infoLabel;
};
