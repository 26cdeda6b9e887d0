#pragma once
// The start-up picture: the logo alone on screen, its background see-through where the platform can.

#include <QWidget>

namespace kestrel {

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap logo_;
};

}  // namespace kestrel
