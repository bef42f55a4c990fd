// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/StrayAccessKeys.h"

#include <QKeyEvent>

namespace quibex {

StrayAccessKeys::StrayAccessKeys(MessageBoxes& boxes, QObject* parent)
    : QObject(parent), m_boxes(boxes)
{
}

bool StrayAccessKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    // AltGr arrives as Ctrl+Alt on some systems and types real characters.
    const bool accessKey = modifiers.testFlag(Qt::AltModifier) &&
                           !modifiers.testFlag(Qt::ControlModifier) && !key->text().isEmpty() &&
                           key->text().at(0).isPrint();
    if (!accessKey) {
        return QObject::eventFilter(watched, event);
    }
    m_boxes.beep();
    return true;
}

} // namespace quibex
