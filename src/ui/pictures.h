#pragma once
// The program's own pictures, drawn at start-up: the start-up logo and the rotation indicator.

#include <QPixmap>

namespace kestrel {

QPixmap drawLogo();                     // 470 x 170, on a see-through background
QPixmap drawTruck();                    // 94 x 100: a mixer truck seen from the front
QPixmap drawArrow(bool pointingRight);  // 60 x 60 (right) or 60 x 59 (left), red
QPixmap drawStopSign();                 // 60 x 60, red octagon

}  // namespace kestrel
