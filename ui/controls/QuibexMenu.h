// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;

namespace quibex {

// The menu skin: draws a window's menus in its font and puts a small bitmap,
// its transparent colour removed, beside the items named by its keys. It only
// sets fonts and icons, so captions, access keys, shortcuts, check marks,
// enabled states, separators and clicks stay as Qt makes them.
class QuibexMenu : public QObject
{
    Q_OBJECT

public:
    explicit QuibexMenu(QObject* parent = nullptr);

    QFont font() const { return m_font; }
    void setFont(const QFont& font);

    // key is "#" followed by the object name of the menu item. large, when
    // given, is the bitmap drawn at twice the size, for scaled screens.
    void addBitmap(const QString& key, const QImage& bitmap, const QColor& mask,
                   const QImage& large = QImage());

    // Applies the font to the bar and every menu below it, and the bitmaps to
    // the items they name. Keys that name no item are left unused. Assistive
    // tools read each item of the bar by its menu's accessible name where the
    // menu has one, rather than by its caption.
    void attach(QMenuBar* bar) const;

private:
    struct Entry
    {
        QString key;
        QImage bitmap;
        QColor mask;
        QImage large;
    };

    void applyTo(QMenu* menu) const;
    void decorate(QAction* action) const;
    static QIcon icon(const Entry& entry);

    QFont m_font;
    QList<Entry> m_entries;
};

} // namespace quibex
