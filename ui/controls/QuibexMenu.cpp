// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/QuibexMenu.h"

#include "ui/controls/MaskedPixmap.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

namespace quibex {

QuibexMenu::QuibexMenu(QObject* parent) : QObject(parent)
{
}

void QuibexMenu::setFont(const QFont& font)
{
    m_font = font;
}

void QuibexMenu::addBitmap(const QString& key, const QImage& bitmap, const QColor& mask,
                           const QImage& large)
{
    m_entries.append({key, bitmap, mask, large});
}

void QuibexMenu::attach(QMenuBar* bar) const
{
    bar->setFont(m_font);
    for (QAction* action : bar->actions()) {
        if (action->menu() != nullptr) {
            applyTo(action->menu());
        }
    }
}

void QuibexMenu::applyTo(QMenu* menu) const
{
    // Menus are windows of their own: the bar's font does not reach them.
    menu->setFont(m_font);
    for (QAction* action : menu->actions()) {
        decorate(action);
        if (action->menu() != nullptr) {
            applyTo(action->menu());
        }
    }
}

void QuibexMenu::decorate(QAction* action) const
{
    if (action->objectName().isEmpty()) {
        return;
    }
    const QString key = QLatin1Char('#') + action->objectName();
    for (const Entry& entry : m_entries) {
        if (entry.key == key) {
            action->setIcon(icon(entry));
            return;
        }
    }
}

QIcon QuibexMenu::icon(const Entry& entry)
{
    // Both sizes go in as plain pixmaps: the icon then brings the larger one
    // down smoothly to any scale between 100 and 200 %, where a variant
    // marked for 200 % would be passed over at 150 % for the small one.
    QIcon shown(maskedPixmap(entry.bitmap, entry.mask));
    if (!entry.large.isNull()) {
        QImage large = entry.large;
        large.setDevicePixelRatio(1.0);
        shown.addPixmap(maskedPixmap(large, entry.mask));
    }
    return shown;
}

} // namespace quibex
