// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace quibex {

// The picture with every pixel of the mask colour made transparent, the way
// the buttons and the menu skin draw their bitmaps. An invalid mask colour
// leaves the picture as it is.
QPixmap maskedPixmap(const QImage& picture, const QColor& mask);

// The same picture for a screen of device pixel ratio ratio, at the same size
// in device-independent pixels. On a scaled screen it is taken from large, the
// picture drawn at twice the size, brought smoothly to the exact number of
// device pixels; without large, or at a ratio of 1, it is the picture itself.
QPixmap maskedPixmap(const QImage& picture, const QImage& large, const QColor& mask, qreal ratio);

} // namespace quibex
