#include "ui/form2.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "ui/pictures.h"

namespace kestrel {

Form2::Form2(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), logo_(drawLogo()) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    // Everything outside the logo's own shape is see-through where the window system composes;
    // elsewhere the borderless window shows the picture on its background.
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(logo_.size());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void Form2::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, logo_);
}

}  // namespace kestrel
