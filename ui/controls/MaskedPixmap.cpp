// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/MaskedPixmap.h"

#include <cmath>

namespace quibex {

namespace {

QImage maskedImage(const QImage& picture, const QColor& mask)
{
    if (picture.isNull() || !mask.isValid()) {
        return picture;
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
    return image;
}

} // namespace

QPixmap maskedPixmap(const QImage& picture, const QColor& mask)
{
    return QPixmap::fromImage(maskedImage(picture, mask));
}

QPixmap maskedPixmap(const QImage& picture, const QImage& large, const QColor& mask, qreal ratio)
{
    if (ratio <= 1.0 || large.isNull() || picture.isNull()) {
        return maskedPixmap(picture, mask);
    }
    // The key colour goes before any scaling, so that no edge pixel blends
    // into it and shows as a fringe.
    QImage shown = maskedImage(large, mask).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QSize device(static_cast<int>(std::lround(picture.width() * ratio)),
                       static_cast<int>(std::lround(picture.height() * ratio)));
    if (shown.size() != device) {
        shown = shown.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    shown.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(shown);
}

} // namespace quibex
