#pragma once
// The start-up picture: the logo alone on screen, its background see-through where the platform can.

#include <QWidget>

namespace kestrel {

class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SplashWindow(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap logo_;
};

}  // namespace kestrel
