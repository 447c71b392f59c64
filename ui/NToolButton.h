#pragma once

#include <QEvent>
#include <QIcon>
#include <QToolButton>

// Qt 6 hands enterEvent a QEnterEvent, Qt 5 a plain QEvent.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QEnterEvent>
using NEnterEvent = QEnterEvent;
#else
using NEnterEvent = QEvent;
#endif

// The large header-strip button: icon above text, a second icon and a gold
// background while the mouse is over it. The rest of its look comes from the
// application style sheet.
class NToolButton : public QToolButton {
    Q_OBJECT

  public:
    NToolButton(const QString& text, const QIcon& normalIcon, const QIcon& hoverIcon,
                QWidget* parent = nullptr);
    ~NToolButton() override;

  protected:
    void enterEvent(NEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void setBackground(const QBrush& brush);

    QIcon hoverIcon;
    QIcon normalIcon;
};
