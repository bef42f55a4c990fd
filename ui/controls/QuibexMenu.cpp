// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/QuibexMenu.h"

#include "ui/controls/MaskedPixmap.h"

#include <QAccessible>
#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>
#include <QWindow>

namespace quibex {

namespace {

// A menu-bar item as Qt shows it to assistive tools, but named by its menu's
// accessible name: a title such as "?" says nothing when read out.
class MenuBarItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    MenuBarItemAccessible(QMenuBar* bar, QAction* item) : m_bar(bar), m_item(item) {}

    bool isValid() const override { return m_bar != nullptr && m_item != nullptr; }
    QObject* object() const override { return m_item; }
    QWindow* window() const override { return m_bar->window()->windowHandle(); }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_bar);
    }
    int childCount() const override { return m_item->menu() != nullptr ? 1 : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(m_item->menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child != nullptr && child->object() == m_item->menu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        QAccessibleInterface* menu = child(0);
        return menu != nullptr && menu->rect().contains(x, y) ? menu : nullptr;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            return m_item->menu() != nullptr ? m_item->menu()->accessibleName() : QString();
        }
        if (t == QAccessible::Accelerator) {
            return QKeySequence::mnemonic(m_item->text()).toString(QKeySequence::NativeText);
        }
        return {};
    }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}
    QRect rect() const override
    {
        return m_bar->actionGeometry(m_item).translated(m_bar->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !m_bar->isVisible() || !m_item->isVisible();
        state.focused = m_bar->activeAction() == m_item;
        state.hotTracked = m_bar->style()->styleHint(QStyle::SH_Menu_MouseTracking) != 0;
        state.disabled = !m_item->isEnabled();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString& actionName) override
    {
        if (!m_item->isEnabled() || actionName != showMenuAction()) {
            return;
        }
        // As Qt's item: the action opens the menu, or closes it when it is open.
        if (m_item->menu() != nullptr && m_item->menu()->isVisible()) {
            m_item->menu()->hide();
        } else {
            m_bar->setActiveAction(m_item);
        }
    }
    QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }

private:
    QPointer<QMenuBar> m_bar;
    QPointer<QAction> m_item;
};

QAccessibleInterface* accessibleMenuBarItem(const QString& key, QObject* object)
{
    auto* item = qobject_cast<QAction*>(object);
    if (item == nullptr || key != QLatin1String("QAction") || item->menu() == nullptr ||
        item->menu()->accessibleName().isEmpty()) {
        return nullptr;
    }
    for (QObject* owner : item->associatedObjects()) {
        if (auto* bar = qobject_cast<QMenuBar*>(owner)) {
            return new MenuBarItemAccessible(bar, item);
        }
    }
    return nullptr;
}

} // namespace

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
    // Installed once, before assistive tools first ask for the bar's items.
    static const bool named = [] {
        QAccessible::installFactory(accessibleMenuBarItem);
        return true;
    }();
    Q_UNUSED(named);
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
