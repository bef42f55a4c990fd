#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace quibex {

// The picture with every pixel of the mask colour made transparent, the way
// the buttons and the menu skin draw their bitmaps. An invalid mask colour
// leaves the picture as it is.
QPixmap maskedPixmap(const QImage& picture, const QColor& mask);

} // namespace quibex
