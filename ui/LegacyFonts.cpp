// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/LegacyFonts.h"

#include <QStringList>

namespace quibex::legacy_fonts {

namespace {

QFont font(const QStringList& families, qreal pointSize)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

QFont verdana(qreal pointSize, bool bold, bool underline)
{
    QFont verdana = font({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")}, pointSize);
    verdana.setBold(bold);
    verdana.setUnderline(underline);
    return verdana;
}

QFont arial(qreal pointSize)
{
    return font({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, pointSize);
}

QFont tahoma(qreal pointSize)
{
    return font({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}, pointSize);
}

QFont msSansSerif(qreal pointSize)
{
    return font({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Liberation Sans")},
                pointSize);
}

} // namespace quibex::legacy_fonts
