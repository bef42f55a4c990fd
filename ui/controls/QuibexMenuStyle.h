// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QProxyStyle>

namespace quibex {

// Menus mark the chosen item of a group of choices with a tick, as the
// legacy menus did, rather than with the round bullet of a radio item, and
// draw nothing beside the items that are not chosen. Everything else is
// drawn by the base style.
class QuibexMenuStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Takes ownership of base, as QProxyStyle does.
    explicit QuibexMenuStyle(QStyle* base = nullptr);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

private:
    void drawTick(const QStyleOption& item, QPainter* painter, const QWidget* widget) const;
};

} // namespace quibex
