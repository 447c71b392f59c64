#pragma once

#include <QDialog>

class QLabel;

// The application's logo, display name, version and copyright, all read from
// the application object, and the window's keys.
class AboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDlg(QWidget* parent = nullptr);

  private:
    QLabel* logoLabel;
    QLabel* infoLabel;
};
