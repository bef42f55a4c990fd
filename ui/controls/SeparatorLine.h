// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QFrame>

namespace quibex {

// A line that sets parts of a window apart, drawn as any Qt frame (the window
// fills a one-pixel-high one with its background colour). Assistive tools see
// a separator, which its role names: Qt shows a bare frame to them as a frame,
// which they take for a window.
class SeparatorLine : public QFrame
{
    Q_OBJECT

public:
    explicit SeparatorLine(QWidget* parent = nullptr);
};

} // namespace quibex
