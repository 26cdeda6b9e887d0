#include "ui/splashwindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "ui/controlnames.h"
#include "ui/pictures.h"

namespace kestrel {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      logo_(drawLogo()) {
    setObjectName(ctl::Form2);
    setWindowTitle(ctl::Form2);
    // Everything outside the logo's own shape is see-through where the window system composes;
    // elsewhere the borderless window shows the picture on its background.
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(logo_.size());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, logo_);
}

}  // namespace kestrel
