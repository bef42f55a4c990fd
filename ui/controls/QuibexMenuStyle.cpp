// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "ui/controls/QuibexMenuStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionMenuItem>

namespace quibex {

QuibexMenuStyle::QuibexMenuStyle(QStyle* base) : QProxyStyle(base)
{
}

void QuibexMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || item == nullptr ||
        item->checkType != QStyleOptionMenuItem::Exclusive) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The base style lays the text out as for any item of a menu with
    // choices; only the indicator is ours.
    QStyleOptionMenuItem plain(*item);
    plain.checkType = QStyleOptionMenuItem::NotCheckable;
    plain.checked = false;
    QProxyStyle::drawControl(element, &plain, painter, widget);
    if (item->checked) {
        drawTick(*item, painter, widget);
    }
}

void QuibexMenuStyle::drawTick(const QStyleOption& item, QPainter* painter,
                               const QWidget* widget) const
{
    // The column where the base style puts its check boxes and bullets.
    const int side = pixelMetric(PM_IndicatorWidth, &item, widget);
    const QRect column(item.rect.left() + 7, item.rect.center().y() - side / 2, side, side);
    const QRectF box = visualRect(item.direction, item.rect, column).toRectF();

    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.2, box.top() + box.height() * 0.52);
    tick.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.75);
    tick.lineTo(box.left() + box.width() * 0.82, box.top() + box.height() * 0.25);

    const bool selected = item.state.testFlag(State_Selected);
    const QPalette::ColorGroup group =
        item.state.testFlag(State_Enabled) ? QPalette::Active : QPalette::Disabled;
    const QColor colour =
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(
        QPen(colour, qMax(1.5, side / 7.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(tick);
    painter->restore();
}

} // namespace quibex
