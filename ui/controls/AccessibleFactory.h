// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QAccessible>
#include <QObject>

namespace quibex {

// Has assistive tools see every Control through the interface Accessible,
// made from a Control*, in place of the one Qt gives its base class. The
// factory goes in once, however often this is called: each control calls it
// when it is made.
template <typename Control, typename Accessible> void installAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& key, QObject* object) {
            auto* control = qobject_cast<Control*>(object);
            const bool ours =
                control != nullptr && key == QLatin1String(Control::staticMetaObject.className());
            return ours ? static_cast<QAccessibleInterface*>(new Accessible(control)) : nullptr;
        });
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace quibex
