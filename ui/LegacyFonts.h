// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QFont>

namespace quibex {

// The fonts of the window's design, each falling back to an installed font
// of the same build (DejaVu Sans for Verdana and Tahoma, Liberation Sans for
// Arial and MS Sans Serif) at the same size, weight and underlining.
namespace legacy_fonts {

QFont verdana(qreal pointSize, bool bold = false, bool underline = false);
QFont arial(qreal pointSize);
QFont tahoma(qreal pointSize);
QFont msSansSerif(qreal pointSize);

} // namespace legacy_fonts

} // namespace quibex
