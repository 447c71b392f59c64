#include "ui/AboutDlg.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

AboutDlg::AboutDlg(QWidget* parent)
    : QDialog(parent, Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      logoLabel(new QLabel(this)),
      infoLabel(new QLabel(this)) {
    setWindowTitle(tr("About"));
    setFixedSize(400, 150);
    setWindowModality(Qt::WindowModal);

    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
    setPalette(pal);

    const QString text = QGuiApplication::applicationDisplayName() + QStringLiteral("\n\n") +
                         tr("Version: ") + QCoreApplication::applicationVersion() +
                         QStringLiteral("\n\n") +
                         tr("Copyright © %1").arg(QCoreApplication::organizationName());

    auto* const layout = new QHBoxLayout(this);
    logoLabel->setPixmap(QPixmap(QStringLiteral(":/icons/app_logo")));
    logoLabel->setFixedSize(80, 80);
    logoLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    layout->addWidget(logoLabel);
    infoLabel->setText(text);
    // The dialog has a fixed size: a long name or organisation wraps rather
    // than being cut off.
    infoLabel->setWordWrap(true);
    layout->addWidget(infoLabel);
}
