#include "ui/controls/MaskedPixmap.h"

namespace quibex {

QPixmap maskedPixmap(const QImage& picture, const QColor& mask)
{
    if (picture.isNull() || !mask.isValid()) {
        return QPixmap::fromImage(picture);
    }
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = mask.rgb() & RGB_MASK;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & RGB_MASK) == key) {
                line[x] = 0;
            }
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace quibex
